// SPDX-License-Identifier: GPL-3.0-or-later
#include "bootloader_device.h"

#include <gtest/gtest.h>

namespace {

using dfu::Request;
using dfu::State;
using dfu::Status;
using dfusim::Clock;

constexpr std::uint32_t kApp = dfu::kApplicationAddress;

// Drives the device request by request with a clock the test controls.
struct Bench
{
    dfusim::BootloaderDevice device;
    Clock::time_point now = Clock::time_point{} + std::chrono::hours(1);

    explicit Bench(const dfusim::BootloaderConfig &config = {}) : device(config) {}

    dfu::simwire::ResponseMessage send(Request request, std::uint16_t value = 0,
                                       std::vector<std::uint8_t> payload = {},
                                       std::uint16_t length = 0)
    {
        const auto size = std::uint16_t(payload.empty() ? length : payload.size());
        return device.handle({std::uint8_t(request), value, size, std::move(payload)}, now);
    }
    dfu::StatusReport status() { return dfu::decodeStatusReport(send(Request::GetStatus).data); }

    // Sends a download and polls as a well-behaved host; returns the final status.
    dfu::StatusReport command(std::uint16_t block, std::vector<std::uint8_t> payload)
    {
        EXPECT_FALSE(send(Request::Download, block, std::move(payload)).stalled);
        dfu::StatusReport report = status();
        while (report.state == State::DfuDownloadBusy) {
            now += std::chrono::milliseconds(report.pollTimeoutMs);
            report = status();
        }
        return report;
    }
    void clear()
    {
        ASSERT_EQ(status().state, State::DfuError);
        ASSERT_FALSE(send(Request::ClearStatus).stalled);
    }
};

TEST(SimulatedBootloader, StartsInErrorAndRefusesWorkUntilCleared)
{
    Bench bench;
    const auto first = bench.status();
    EXPECT_EQ(first.state, State::DfuError);
    EXPECT_NE(first.status, Status::Ok);
    EXPECT_TRUE(bench.send(Request::Download, 0, dfu::dfuseCommand(dfu::DfuseCommand::Erase, kApp))
                    .stalled);
    EXPECT_TRUE(bench.send(Request::Abort).stalled);
    ASSERT_FALSE(bench.send(Request::ClearStatus).stalled);
    EXPECT_EQ(bench.status().state, State::DfuIdle);
    EXPECT_TRUE(bench.send(Request::ClearStatus).stalled) << "only an error state can be cleared";

    const auto description = bench.device.description();
    EXPECT_EQ(description.vendorId, dfu::kBootloaderVendorId);
    EXPECT_EQ(description.productId, dfu::kBootloaderProductId);
    EXPECT_EQ(description.bcdDfu, dfu::kDfuseVersion);
    EXPECT_EQ(description.transferSize, 2048);
    EXPECT_EQ(description.alternateName, "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg");
}

TEST(SimulatedBootloader, FirstPollAfterACommandIsBusyAndEarlyPollsStayBusy)
{
    Bench bench;
    bench.clear();
    ASSERT_FALSE(bench.send(Request::Download, 0, dfu::dfuseCommand(dfu::DfuseCommand::Erase, kApp))
                     .stalled);
    const auto busy = bench.status();
    EXPECT_EQ(busy.state, State::DfuDownloadBusy);
    EXPECT_GT(busy.pollTimeoutMs, 0u);
    EXPECT_EQ(bench.status().state, State::DfuDownloadBusy) << "polled before the timeout ran out";
    EXPECT_EQ(bench.device.stats().earlyPolls, 1u);
    EXPECT_EQ(bench.device.stats().announcedBusy.count(), busy.pollTimeoutMs)
        << "counted once per operation, not per poll";
    bench.now += std::chrono::milliseconds(busy.pollTimeoutMs);
    const auto done = bench.status();
    EXPECT_EQ(done.state, State::DfuDownloadIdle);
    EXPECT_EQ(done.status, Status::Ok);
    EXPECT_EQ(bench.device.stats().erasedPages, std::vector<std::uint32_t>{kApp});
}

TEST(SimulatedBootloader, FlashProgramsOnlyErasedBytes)
{
    Bench bench;
    bench.device.flash().load(kApp, {0x00, 0x0F, 0xFF, 0xFF});
    bench.clear();
    ASSERT_EQ(
        bench.command(0, dfu::dfuseCommand(dfu::DfuseCommand::SetAddressPointer, kApp)).status,
        Status::Ok);
    const auto overUnerased = bench.command(2, {0x12, 0x34, 0x56, 0x78});
    EXPECT_EQ(overUnerased.status, Status::ErrVerify);
    EXPECT_EQ(overUnerased.state, State::DfuError);

    bench.clear();
    EXPECT_EQ(bench.command(0, dfu::dfuseCommand(dfu::DfuseCommand::Erase, kApp + 5)).status,
              Status::Ok);
    EXPECT_EQ(bench.device.flash().read(kApp, 4), (std::vector<std::uint8_t>(4, 0xFF)))
        << "an erase anywhere in a page erases the whole page";
    EXPECT_EQ(
        bench.command(0, dfu::dfuseCommand(dfu::DfuseCommand::SetAddressPointer, kApp)).status,
        Status::Ok);
    EXPECT_EQ(bench.command(3, {0x12, 0x34}).status, Status::Ok);
    EXPECT_EQ(bench.device.flash().read(kApp + 2048, 2), (std::vector<std::uint8_t>{0x12, 0x34}))
        << "block 3 lies one transfer size after the pointer";
}

TEST(SimulatedBootloader, AddressesOutsideFlashGiveErrTarget)
{
    Bench bench;
    auto expectTarget = [&](std::uint16_t block, std::vector<std::uint8_t> payload) {
        bench.send(Request::Abort);
        if (bench.status().state == State::DfuError)
            bench.send(Request::ClearStatus);
        const auto report = bench.command(block, std::move(payload));
        EXPECT_EQ(report.status, Status::ErrTarget);
        EXPECT_EQ(report.state, State::DfuError);
    };
    bench.clear();
    expectTarget(0, dfu::dfuseCommand(dfu::DfuseCommand::SetAddressPointer, 0x20000000));
    expectTarget(0, dfu::dfuseCommand(dfu::DfuseCommand::Erase, 0x08100000));
    bench.send(Request::ClearStatus);
    ASSERT_EQ(bench.command(0, dfu::dfuseCommand(dfu::DfuseCommand::SetAddressPointer, 0x080FF800))
                  .status,
              Status::Ok);
    expectTarget(3, std::vector<std::uint8_t>(16, 0)); // one block past the end of flash

    bench.send(Request::ClearStatus);
    ASSERT_EQ(bench.command(0, dfu::dfuseCommand(dfu::DfuseCommand::SetAddressPointer, 0x080FF800))
                  .status,
              Status::Ok);
    bench.send(Request::Abort);
    EXPECT_FALSE(bench.send(Request::Upload, 2, {}, 2048).stalled);
    EXPECT_TRUE(bench.send(Request::Upload, 3, {}, 2048).stalled);
    EXPECT_EQ(bench.status().status, Status::ErrTarget);
}

TEST(SimulatedBootloader, LeaveStartsOnlyAValidApplication)
{
    Bench bench;
    auto leave = [&]() {
        if (bench.status().state == State::DfuError)
            bench.send(Request::ClearStatus);
        EXPECT_EQ(
            bench.command(0, dfu::dfuseCommand(dfu::DfuseCommand::SetAddressPointer, kApp)).status,
            Status::Ok);
        EXPECT_FALSE(bench.send(Request::Download, 0, {}).stalled);
        return bench.status();
    };
    const auto erased = leave();
    EXPECT_EQ(erased.status, Status::ErrFirmware);
    EXPECT_EQ(erased.state, State::DfuError);
    EXPECT_FALSE(bench.device.startedApplication());

    auto image = dfusim::makeApplicationImage(kApp, {1, 4, 2});
    image[3] = 0x30; // stack pointer 0x30020000: not in SRAM
    bench.device.flash().load(kApp, image);
    EXPECT_EQ(leave().status, Status::ErrFirmware);

    bench.device.flash().load(kApp, dfusim::makeApplicationImage(kApp, {1, 4, 2}));
    const auto valid = leave();
    EXPECT_EQ(valid.status, Status::Ok);
    EXPECT_EQ(valid.state, State::DfuManifest);
    ASSERT_TRUE(bench.device.startedApplication());
    EXPECT_EQ(bench.device.startedApplication()->address, kApp);
    EXPECT_EQ(bench.device.startedApplication()->version, (dfusim::FirmwareVersion{1, 4, 2}));

    bench.device.restart();
    EXPECT_FALSE(bench.device.startedApplication());
    EXPECT_EQ(bench.status().state, State::DfuError);
}

TEST(SimulatedBootloader, AnApplicationWithoutVersionMarkerStartsWithoutVersion)
{
    dfusim::FlashMemory flash(0x08000000, 0x100000);
    auto image = dfusim::makeApplicationImage(kApp, {2, 0, 0});
    std::fill(image.begin() + 8, image.end(), 0x00);
    flash.load(kApp, image);
    EXPECT_TRUE(dfusim::hasValidVectorTable(flash, kApp));
    EXPECT_FALSE(dfusim::findVersion(flash, kApp));

    flash.load(0x080FFFF6, {'I', 'M', 'U', 'F', 'W', 'V', 'E', 'R', 3, 2});
    EXPECT_FALSE(dfusim::findVersion(flash, kApp)) << "a marker cut off by the end of flash";
    flash.load(0x08030000, {'I', 'M', 'U', 'F', 'W', 'V', 'E', 'R', 3, 2, 1});
    EXPECT_EQ(dfusim::findVersion(flash, kApp), (dfusim::FirmwareVersion{3, 2, 1}));
}

} // namespace
