// SPDX-License-Identifier: GPL-3.0-or-later
// Leaving the bootloader: only a device that drops off the link has started
// its application; every other failure of the link is a failure.
#include "dfuse_engine.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Kind = dfu::TransportError::Kind;

// A bootloader that answers every request at once, and fails the request that
// starts the application (the zero-length download, or the status request
// after it) with a chosen kind of link error, or answers it with a chosen status.
class LeavingDevice : public dfu::DfuTransport
{
public:
    enum class Step
    {
        StartRequest,
        StatusAfterStart
    };

    std::optional<std::pair<Step, Kind>> failure;
    dfu::StatusReport answerAfterStart{dfu::Status::Ok, 0, dfu::State::DfuManifest, 0};

    const dfu::DeviceDescription &description() const override { return description_; }

    void controlOut(dfu::Request request, std::uint16_t,
                    const std::vector<std::uint8_t> &data) override
    {
        if (request == dfu::Request::Abort) {
            state_ = dfu::State::DfuIdle;
            return;
        }
        if (request != dfu::Request::Download)
            return;
        if (data.empty()) {
            failAt(Step::StartRequest);
            starting_ = true;
        }
        state_ = dfu::State::DfuDownloadIdle;
    }

    std::vector<std::uint8_t> controlIn(dfu::Request request, std::uint16_t, std::uint16_t) override
    {
        if (request != dfu::Request::GetStatus)
            return {};
        if (!starting_)
            return dfu::encodeStatusReport({dfu::Status::Ok, 0, state_, 0});
        failAt(Step::StatusAfterStart);
        return dfu::encodeStatusReport(answerAfterStart);
    }

private:
    void failAt(Step step)
    {
        if (failure && failure->first == step)
            throw dfu::TransportError(failure->second, "link error " + std::to_string(int(step)));
    }

    dfu::DeviceDescription description_;
    dfu::State state_ = dfu::State::DfuIdle;
    bool starting_ = false;
};

struct LeaveRun
{
    bool started = false;
    std::string error;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
};

LeaveRun leave(LeavingDevice &device)
{
    LeaveRun run;
    dfu::DfuseEngine engine(device, [](const std::string &) {});
    engine.setProgressListener([&](dfu::Phase phase, std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(phase, dfu::Phase::Leave);
        run.progress.emplace_back(done, total);
    });
    try {
        engine.leave(dfu::kApplicationAddress);
        run.started = true;
    } catch (const dfu::DeviceError &error) {
        run.error = error.what();
    }
    return run;
}

using Steps = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

TEST(DfuseEngineLeave, ADeviceThatDropsOffTheLinkWhileStartingHasStarted)
{
    for (const auto step :
         {LeavingDevice::Step::StartRequest, LeavingDevice::Step::StatusAfterStart}) {
        LeavingDevice device;
        device.failure = {{step, Kind::Disconnected}};
        const LeaveRun run = leave(device);
        EXPECT_TRUE(run.started) << run.error;
        EXPECT_EQ(run.progress, (Steps{{0, 1}, {1, 1}}));
    }
}

TEST(DfuseEngineLeave, AnyOtherLinkErrorFailsAndNamesTheError)
{
    for (const auto step :
         {LeavingDevice::Step::StartRequest, LeavingDevice::Step::StatusAfterStart})
        for (const Kind kind : {Kind::Failed, Kind::Stalled}) {
            LeavingDevice device;
            device.failure = {{step, kind}};
            const LeaveRun run = leave(device);
            EXPECT_FALSE(run.started);
            EXPECT_EQ(run.error,
                      "starting the application failed: link error " + std::to_string(int(step)));
            EXPECT_EQ(run.progress, (Steps{{0, 1}}));
        }
}

TEST(DfuseEngineLeave, AnAnsweringDeviceDecidesByItsStatus)
{
    LeavingDevice manifesting;
    EXPECT_TRUE(leave(manifesting).started);

    LeavingDevice refusing;
    refusing.answerAfterStart = {dfu::Status::ErrFirmware, 0, dfu::State::DfuError, 0};
    const LeaveRun run = leave(refusing);
    EXPECT_FALSE(run.started);
    EXPECT_NE(run.error.find("errFIRMWARE"), std::string::npos) << run.error;
    EXPECT_EQ(run.progress, (Steps{{0, 1}}));
}

} // namespace
