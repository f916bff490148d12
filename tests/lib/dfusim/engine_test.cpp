// SPDX-License-Identifier: GPL-3.0-or-later
// The DfuSe engine against the simulated bootloader, connected directly.
#include "dfuse_engine.h"
#include "direct_transport.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kApp = dfu::kApplicationAddress;

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t(i * 7 + seed + (i >> 8));
    return bytes;
}

struct EngineBench
{
    dfusim::BootloaderDevice device;
    dfutest::DirectTransport transport{device};
    std::vector<std::string> lines;
    dfu::DfuseEngine engine{transport, [this](const std::string &line) { lines.push_back(line); }};

    explicit EngineBench(const dfusim::BootloaderConfig &config = {}) : device(config) {}

    void flash(const std::vector<dfu::ImageElement> &elements)
    {
        const auto layout = dfu::parseMemoryLayout(device.description().alternateName);
        engine.flash(elements, dfu::planFlash(elements, layout));
    }
};

TEST(DfuseEngine, FlashesElementsReadsThemBackAndErasesOnlyTheirPages)
{
    EngineBench bench;
    bench.device.flash().load(0x08060000, {0x00, 0x00}); // old content elsewhere stays put
    const std::vector<dfu::ImageElement> elements{
        {kApp, pattern(0x20000 + 2048 * 3 + 17, 1)}, // spills 6161 bytes into the next page
        {0x08000010, pattern(100, 2)},
    };
    bench.flash(elements);

    EXPECT_EQ(bench.device.flash().read(kApp, elements[0].data.size()), elements[0].data);
    EXPECT_EQ(bench.device.flash().read(0x08000010, 100), elements[1].data);
    EXPECT_EQ(bench.device.stats().erasedPages,
              (std::vector<std::uint32_t>{0x08000000, kApp, 0x08040000}));
    EXPECT_EQ(bench.device.stats().earlyPolls, 0u) << "the engine must honour bwPollTimeout";
    EXPECT_EQ(bench.device.flash().read(0x08060000, 2), (std::vector<std::uint8_t>{0, 0}));
    EXPECT_EQ(bench.lines.back(),
              "Verified " + std::to_string(0x20000 + 2048 * 3 + 17 + 100) + " bytes");
}

TEST(DfuseEngine, FlashingAgainOverOldFirmwareWorksBecauseItErasesFirst)
{
    EngineBench bench;
    bench.flash({{kApp, pattern(5000, 3)}});
    bench.flash({{kApp, pattern(5000, 4)}});
    EXPECT_EQ(bench.device.flash().read(kApp, 5000), pattern(5000, 4));
}

TEST(DfuseEngine, ADeviceErrorMidDownloadNamesTheStepStatusAndState)
{
    dfusim::BootloaderConfig config;
    config.failingWriteAddress = kApp + 3 * 2048 + 5;
    EngineBench bench(config);
    const auto image = pattern(8 * 2048, 5);
    // Progress, reported while the device works on the next step, still
    // comes only for steps that finished, and for all of them.
    std::uint64_t erased = 0;
    std::uint64_t written = 0;
    bench.engine.setProgressListener([&](dfu::Phase phase, std::uint64_t done, std::uint64_t) {
        if (phase == dfu::Phase::Erase)
            erased = done;
        if (phase != dfu::Phase::Write)
            return;
        written = done;
        EXPECT_EQ(bench.device.flash().read(kApp, std::size_t(done)),
                  std::vector<std::uint8_t>(image.begin(), image.begin() + std::ptrdiff_t(done)));
    });
    try {
        bench.flash({{kApp, image}});
        FAIL() << "a failing write must not pass";
    } catch (const dfu::DeviceError &error) {
        const std::string text = error.what();
        EXPECT_NE(text.find("writing 2048 bytes at 0x08021800 failed"), std::string::npos) << text;
        EXPECT_NE(text.find("errWRITE"), std::string::npos) << text;
        EXPECT_NE(text.find("dfuERROR"), std::string::npos) << text;
    }
    EXPECT_EQ(erased, 128u * 1024);
    EXPECT_EQ(written, 3u * 2048);
    // The next run clears the error state by itself.
    EXPECT_NO_THROW(bench.flash({{kApp + 0x20000, pattern(64, 6)}}));
}

// Passes everything through but flips one bit of the data read back.
class BitFlipOnReadBack : public dfu::DfuTransport
{
public:
    explicit BitFlipOnReadBack(dfu::DfuTransport &inner) : inner_(inner) {}
    const dfu::DeviceDescription &description() const override { return inner_.description(); }
    void controlOut(dfu::Request request, std::uint16_t value,
                    const std::vector<std::uint8_t> &data) override
    {
        inner_.controlOut(request, value, data);
    }
    std::vector<std::uint8_t> controlIn(dfu::Request request, std::uint16_t value,
                                        std::uint16_t length) override
    {
        auto data = inner_.controlIn(request, value, length);
        if (request == dfu::Request::Upload && value == 3)
            data[10] ^= 0x04;
        return data;
    }

private:
    dfu::DfuTransport &inner_;
};

// Passes everything through but stalls one download block.
class StallsOneDownload : public dfu::DfuTransport
{
public:
    StallsOneDownload(dfu::DfuTransport &inner, std::uint16_t block) : inner_(inner), block_(block)
    {
    }
    const dfu::DeviceDescription &description() const override { return inner_.description(); }
    void controlOut(dfu::Request request, std::uint16_t value,
                    const std::vector<std::uint8_t> &data) override
    {
        if (request == dfu::Request::Download && value == block_)
            throw dfu::TransportError(dfu::TransportError::Kind::Stalled, "stalled");
        inner_.controlOut(request, value, data);
    }
    std::vector<std::uint8_t> controlIn(dfu::Request request, std::uint16_t value,
                                        std::uint16_t length) override
    {
        return inner_.controlIn(request, value, length);
    }

private:
    dfu::DfuTransport &inner_;
    std::uint16_t block_;
};

TEST(DfuseEngine, ABlockRefusedBeforeTheDeviceGetsBusyStillLeavesTheEarlierOnesReported)
{
    EngineBench bench;
    StallsOneDownload stalling(bench.transport, dfu::kFirstDataBlock + 3);
    dfu::DfuseEngine engine(stalling, [](const std::string &) {});
    std::uint64_t written = 0;
    engine.setProgressListener([&](dfu::Phase phase, std::uint64_t done, std::uint64_t) {
        if (phase == dfu::Phase::Write)
            written = done;
    });
    const std::vector<dfu::ImageElement> elements{{kApp, pattern(8 * 2048, 8)}};
    const auto layout = dfu::parseMemoryLayout(bench.device.description().alternateName);
    EXPECT_THROW(engine.flash(elements, dfu::planFlash(elements, layout)), dfu::DeviceError);
    EXPECT_EQ(written, 3u * 2048);
}

TEST(DfuseEngine, ReadBackComparisonCatchesADeviceThatReportsFalseSuccess)
{
    EngineBench bench;
    BitFlipOnReadBack flipping(bench.transport);
    dfu::DfuseEngine engine(flipping, [](const std::string &) {});
    const std::vector<dfu::ImageElement> elements{{kApp, pattern(3 * 2048, 7)}};
    try {
        engine.flash(elements,
                     dfu::planFlash(elements, dfu::parseMemoryLayout(
                                                  bench.device.description().alternateName)));
        FAIL() << "a byte that reads back different must fail the run";
    } catch (const dfu::DeviceError &error) {
        EXPECT_STREQ(
            error.what(),
            "verification failed: the byte at 0x0802080a reads back different from the file");
    }
}

TEST(DfuseEngine, LeaveStartsAValidApplicationAndReportsAnInvalidOne)
{
    EngineBench bench;
    try {
        bench.engine.leave(kApp);
        FAIL() << "an erased application must not count as started";
    } catch (const dfu::DeviceError &error) {
        EXPECT_NE(std::string(error.what()).find("errFIRMWARE"), std::string::npos) << error.what();
    }
    bench.flash({{kApp, dfusim::makeApplicationImage(kApp, {0, 9, 1})}});
    EXPECT_NO_THROW(bench.engine.leave(kApp));
    ASSERT_TRUE(bench.device.startedApplication());
    EXPECT_EQ(bench.device.startedApplication()->version, (dfusim::FirmwareVersion{0, 9, 1}));
}

} // namespace
