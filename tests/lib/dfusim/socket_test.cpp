// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated bootloader on its socket: the stall fault, seen by clients
// that talk the wire protocol, and the timing presets it announces.
#include "dfuse_engine.h"
#include "local_socket.h"
#include "simulated_bootloader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kApp = dfu::kApplicationAddress;
constexpr std::uint32_t kBlock = 2048;

// A DfuTransport over the socket that counts a missing answer as a lost device.
class SocketTransport : public dfu::DfuTransport
{
public:
    SocketTransport(dfu::LocalSocket socket, std::chrono::milliseconds patience)
        : socket_(std::move(socket)), patience_(patience)
    {
        description_ = *dfu::simwire::decodeDescription(exchange({0xF0, 0, 0, {}}).data);
    }
    const dfu::DeviceDescription &description() const override { return description_; }
    void controlOut(dfu::Request request, std::uint16_t value,
                    const std::vector<std::uint8_t> &data) override
    {
        exchange({std::uint8_t(request), value, std::uint16_t(data.size()), data});
    }
    std::vector<std::uint8_t> controlIn(dfu::Request request, std::uint16_t value,
                                        std::uint16_t length) override
    {
        return exchange({std::uint8_t(request), value, length, {}}).data;
    }

private:
    dfu::simwire::ResponseMessage exchange(const dfu::simwire::RequestMessage &request)
    {
        const auto bytes = dfu::simwire::encodeRequest(request);
        std::uint8_t header[dfu::simwire::kResponseHeaderLength];
        if (!socket_.writeAll(bytes.data(), bytes.size()) ||
            !socket_.readExact(header, sizeof header, patience_))
            throw dfu::TransportError(dfu::TransportError::Kind::Disconnected, "no answer");
        const auto fields = dfu::simwire::decodeResponseHeader(header);
        dfu::simwire::ResponseMessage response{fields.stalled,
                                               std::vector<std::uint8_t>(fields.size)};
        if (!socket_.readExact(response.data.data(), response.data.size(), patience_))
            throw dfu::TransportError(dfu::TransportError::Kind::Disconnected, "no answer");
        if (response.stalled)
            throw dfu::TransportError(dfu::TransportError::Kind::Stalled, "stalled");
        return response;
    }

    dfu::LocalSocket socket_;
    std::chrono::milliseconds patience_;
    dfu::DeviceDescription description_;
};

dfu::LocalSocket connectWithin(const std::string &path, std::chrono::seconds patience)
{
    const auto end = std::chrono::steady_clock::now() + patience;
    for (;;) {
        dfu::LocalSocket socket = dfu::LocalSocket::connectTo(path);
        if (socket.valid() || std::chrono::steady_clock::now() > end)
            return socket;
        std::this_thread::yield();
    }
}

TEST(SimulatedBootloaderSocket, StallsOnceWhereToldThenTheNextClientFlashes)
{
    std::string folder = (std::filesystem::temp_directory_path() / "dfu-sim-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(folder.data()));
    const std::string socketPath = folder + "/dfu.sock";
    dfusim::BootloaderConfig config;
    config.stallAtByte = 3 * kBlock;
    dfusim::SimulatedBootloader bootloader(socketPath, config);
    std::atomic<bool> stop{false};
    auto served = std::async(std::launch::async, [&] { return bootloader.runUntilLeave(stop); });

    const auto image = dfusim::makeApplicationImage(kApp, {3, 1, 4}, 5 * kBlock);
    const std::vector<dfu::ImageElement> elements{{kApp, image}};
    {
        // Silence is what is tested: the patience bounds how long it must last.
        SocketTransport first(connectWithin(socketPath, 10s), 500ms);
        dfu::DfuseEngine engine(first, [](const std::string &) {});
        engine.enterIdle();
        for (std::uint32_t page = kApp; page < kApp + image.size(); page += 128 * 1024)
            engine.erasePage(page);
        EXPECT_THROW(engine.write(kApp, image), dfu::DeviceError);
        EXPECT_EQ(bootloader.readFlash(kApp, 2 * kBlock),
                  std::vector<std::uint8_t>(image.begin(), image.begin() + 2 * kBlock));
        EXPECT_EQ(bootloader.readFlash(kApp + 2 * kBlock, kBlock),
                  std::vector<std::uint8_t>(kBlock, 0xFF))
            << "the block that reached the count was never taken";
    }
    {
        SocketTransport second(connectWithin(socketPath, 10s), 10000ms);
        dfu::DfuseEngine engine(second, [](const std::string &) {});
        engine.enterIdle();
        const auto layout = dfu::parseMemoryLayout(second.description().alternateName);
        engine.flash(elements, dfu::planFlash(elements, layout));
        engine.leave(kApp);
    }
    ASSERT_EQ(served.wait_for(10s), std::future_status::ready);
    const auto started = served.get();
    ASSERT_TRUE(started);
    EXPECT_EQ(started->version, (dfusim::FirmwareVersion{3, 1, 4}));
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    std::filesystem::remove_all(folder);
}

TEST(SimulatedBootloaderSocket, ListensOnlyInPlaceOfASocket)
{
    std::string folder = (std::filesystem::temp_directory_path() / "dfu-sim-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(folder.data()));
    const std::string target = folder + "/target";
    const std::string path = folder + "/dfu.sock";
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    EXPECT_FALSE(dfu::LocalSocket::listenAt(path).valid());
    EXPECT_TRUE(std::filesystem::is_symlink(path)) << "a link is left alone";
    EXPECT_FALSE(std::filesystem::exists(target)) << "and not followed";
    std::filesystem::remove(path);

    {
        const auto stale = dfu::LocalSocket::listenAt(path);
    }
    EXPECT_TRUE(dfu::LocalSocket::listenAt(path).valid()) << "a stale socket is replaced";
    std::filesystem::remove_all(folder);
}

// The busy times announced in GETSTATUS, against the figures in docs/simulator.md.
TEST(BootloaderTiming, PresetsAnnounceTheDocumentedBusyTimes)
{
    const auto pollAfter = [](const dfusim::BootloaderConfig &config,
                              const std::vector<std::uint8_t> &payload, std::uint16_t block) {
        dfusim::BootloaderDevice device(config);
        const auto now = dfusim::Clock::now();
        device.handle({std::uint8_t(dfu::Request::ClearStatus), 0, 0, {}}, now);
        if (block != 0)
            device.handle({std::uint8_t(dfu::Request::Download), 0, 5,
                           dfu::dfuseCommand(dfu::DfuseCommand::SetAddressPointer, kApp)},
                          now);
        if (block != 0) {
            device.handle({std::uint8_t(dfu::Request::GetStatus), 0, 6, {}}, now);
            device.handle({std::uint8_t(dfu::Request::GetStatus), 0, 6, {}}, now + 1h);
        }
        device.handle(
            {std::uint8_t(dfu::Request::Download), block, std::uint16_t(payload.size()), payload},
            now + 1h);
        const auto report = dfu::decodeStatusReport(
            device.handle({std::uint8_t(dfu::Request::GetStatus), 0, 6, {}}, now + 1h).data);
        EXPECT_EQ(report.state, dfu::State::DfuDownloadBusy);
        return report.pollTimeoutMs;
    };
    const auto erase = [](std::uint32_t address) {
        return dfu::dfuseCommand(dfu::DfuseCommand::Erase, address);
    };
    const std::vector<std::uint8_t> block(kBlock, 0x5A);
    const std::vector<std::uint8_t> massErase{std::uint8_t(dfu::DfuseCommand::Erase)};

    dfusim::BootloaderConfig real;
    real.timing = dfusim::BootloaderTiming::stm32f4();
    EXPECT_EQ(pollAfter(real, erase(0x08000000), 0), 250u);  // 16 KiB sector
    EXPECT_EQ(pollAfter(real, erase(0x08010000), 0), 550u);  // 64 KiB sector
    EXPECT_EQ(pollAfter(real, erase(0x08020000), 0), 1000u); // 128 KiB sector
    EXPECT_EQ(pollAfter(real, massErase, 0), 8000u);
    EXPECT_EQ(pollAfter(real, block, 2), 9u); // 512 words of 16 us, rounded up
    EXPECT_EQ(real.timing.transferTime(kBlock), 33ms);

    const dfusim::BootloaderConfig fast;
    EXPECT_EQ(pollAfter(fast, erase(0x08020000), 0), 10u);
    EXPECT_EQ(pollAfter(fast, block, 2), 1u);
    EXPECT_EQ(fast.timing.transferTime(kBlock), 0ms);

    // An image filling sectors 5 to 11: erase, write with two polls per
    // block, read back. Well over 30 s in all, no step longer than a sector erase.
    const std::size_t blocks = 7 * 128 * 1024 / kBlock;
    const auto &t = real.timing;
    const auto status = t.transferTime(6);
    const auto eraseAll = 7 * (t.transferTime(5) + status + t.sectorEraseBusy(128 * 1024) + status);
    const auto writeAll = blocks * (t.transferTime(kBlock) + status + t.writeBusy(kBlock) + status);
    const auto verifyAll = blocks * t.transferTime(kBlock);
    EXPECT_GT(eraseAll + writeAll + verifyAll, 35s);
    EXPECT_LT(t.sectorEraseBusy(128 * 1024), 2s);
}

} // namespace
