// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator core driven with synthetic time: framing of replies and
// samples, stream timing, and the injected faults.
#include "core/simulator.h"

#include <frame.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

namespace imusim {
namespace {

using namespace imuproto;
using namespace std::chrono_literals;

struct Received
{
    std::uint8_t type;
    std::uint8_t sequence;
    std::vector<std::uint8_t> payload;
};

class SimulatorTest : public ::testing::Test
{
protected:
    void create(const SimulatorConfig &config = {})
    {
        simulator.emplace(config, start);
        now = start;
        decoder.reset();
    }

    void command(std::uint8_t type, std::uint8_t sequence, std::vector<std::uint8_t> payload = {})
    {
        std::vector<std::uint8_t> bytes;
        encodeFrame(bytes, type, sequence, payload.data(), payload.size());
        simulator->receive(bytes.data(), bytes.size(), now);
    }

    // Runs the simulator to `until`, waking at its own wake-up times plus a
    // late, jittered wake-up now and then, as a real event loop would.
    std::vector<Received> runUntil(TimePoint until, bool discard = false)
    {
        std::vector<std::uint8_t> bytes;
        int wakeUps = 0;
        while (now < until) {
            const TimePoint next = std::min(simulator->nextWakeup(), until);
            now = std::max(now, next) + std::chrono::microseconds((++wakeUps % 7) * 300);
            simulator->produce(std::min(now, until), discard, bytes);
        }
        now = until;
        return decode(bytes);
    }

    std::vector<Received> decode(const std::vector<std::uint8_t> &bytes)
    {
        std::vector<Received> frames;
        decoder.feed(bytes.data(), bytes.size(), [&](const Frame &frame) {
            frames.push_back(
                {frame.type, frame.sequence,
                 std::vector<std::uint8_t>(frame.payload, frame.payload + frame.size)});
        });
        return frames;
    }

    static std::size_t countOf(const std::vector<Received> &frames, std::uint8_t type)
    {
        return static_cast<std::size_t>(std::count_if(
            frames.begin(), frames.end(), [&](const Received &f) { return f.type == type; }));
    }

    static std::vector<Received> only(const std::vector<Received> &frames, std::uint8_t type)
    {
        std::vector<Received> selected;
        std::copy_if(frames.begin(), frames.end(), std::back_inserter(selected),
                     [&](const Received &f) { return f.type == type; });
        return selected;
    }

    static std::size_t sequenceGaps(const std::vector<Received> &frames)
    {
        std::size_t gaps = 0;
        std::optional<std::uint8_t> previous;
        for (const Received &frame : frames) {
            if (frame.type == REPLY)
                continue;
            if (previous && static_cast<std::uint8_t>(*previous + 1) != frame.sequence)
                ++gaps;
            previous = frame.sequence;
        }
        return gaps;
    }

    const TimePoint start = Clock::now();
    TimePoint now = start;
    std::optional<Simulator> simulator;
    FrameDecoder decoder;
};

TEST_F(SimulatorTest, AnswersEachCommandWithItsSequenceAndStatus)
{
    create();
    command(CMD_GET_VERSION, 41);
    command(CMD_SET_RATE, 42, {9});
    command(0x3D, 43);
    const auto frames = runUntil(now + 1ms);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].sequence, 41);
    EXPECT_EQ(frames[0].payload, (std::vector<std::uint8_t>{CMD_GET_VERSION, STATUS_OK, 1, 4, 2}));
    EXPECT_EQ(frames[1].payload, (std::vector<std::uint8_t>{CMD_SET_RATE, STATUS_BAD_PAYLOAD}));
    EXPECT_EQ(frames[2].payload, (std::vector<std::uint8_t>{0x3D, STATUS_UNKNOWN_COMMAND}));
    // Frames that are not commands get no answer.
    command(DATA_SAMPLE, 44);
    command(REPLY, 45);
    EXPECT_TRUE(runUntil(now + 1ms).empty());
}

TEST_F(SimulatorTest, StreamsEachRateCodeSteadilyWithoutGaps)
{
    const std::map<std::uint8_t, std::size_t> expectedIn10s{{0, 10},  {1, 50},   {2, 100},
                                                            {3, 500}, {4, 1000}, {5, 2000}};
    for (const auto &[code, expected] : expectedIn10s) {
        create();
        command(CMD_SET_RATE, 1, {code});
        command(CMD_START_STREAM, 2);
        const auto frames = runUntil(start + 10s);
        EXPECT_EQ(countOf(frames, DATA_SAMPLE), expected) << int(code);
        EXPECT_EQ(sequenceGaps(frames), 0u);
        for (const Received &frame : only(frames, DATA_SAMPLE))
            ASSERT_EQ(frame.payload.size(), sizeof(IMUserial::sensor_data));
    }
}

TEST_F(SimulatorTest, StressRateIsDeliveredInBatchesAtTheSameAverage)
{
    SimulatorConfig config;
    config.module.fixedRate = 8000;
    create(config);
    command(CMD_START_STREAM, 1);
    std::size_t samples = 0;
    for (int i = 0; i < 100; ++i) // one wake-up every 10 ms
        samples += countOf(runUntil(now + 10ms), DATA_SAMPLE);
    EXPECT_EQ(samples, 8000u);
}

TEST_F(SimulatorTest, StalledLoopSkipsOldSamplesVisiblyInTheCounter)
{
    create();
    command(CMD_SET_RATE, 1, {5});
    command(CMD_START_STREAM, 2);
    runUntil(start + 1s);
    std::vector<std::uint8_t> bytes;
    now = start + 4s; // the loop slept three seconds
    simulator->produce(now, false, bytes);
    const auto frames = decode(bytes);
    EXPECT_EQ(countOf(frames, DATA_SAMPLE), 100u); // only the last half second
    EXPECT_EQ(simulator->stats().samplesSkipped, 500u);
    // Samples discarded while nobody listens also advance the counter.
    runUntil(now + 1s, true);
    const auto after = runUntil(now + 10ms);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front().sequence, static_cast<std::uint8_t>(1000));
}

TEST_F(SimulatorTest, CalibrationModeStreamsCalibrationRecords)
{
    create();
    command(CMD_SET_RATE, 1, {4});
    command(CMD_ENTER_CALIBRATION, 2);
    const auto frames = runUntil(start + 1s);
    EXPECT_EQ(countOf(frames, DATA_CALIBRATION_SAMPLE), 100u);
    EXPECT_EQ(countOf(frames, DATA_SAMPLE), 0u);
    command(CMD_EXIT_CALIBRATION, 3);
    EXPECT_EQ(countOf(runUntil(start + 2s), DATA_CALIBRATION_SAMPLE), 0u);
}

TEST_F(SimulatorTest, InjectedReplyFaults)
{
    SimulatorConfig config;
    config.faults.failedCommands = {CMD_START_GYR_BIAS};
    config.faults.withheldReplies = {CMD_GET_SN};
    config.faults.pretendedCommands = {CMD_SET_SN};
    config.faults.replyDelay = 150ms;
    create(config);
    command(CMD_START_GYR_BIAS, 1);
    command(CMD_GET_SN, 2);
    command(CMD_START_STREAM, 3);
    command(CMD_SET_SN, 4, {'N', 'E', 'W'});
    EXPECT_EQ(countOf(runUntil(start + 149ms), REPLY), 0u);
    const auto replies = only(runUntil(start + 151ms), REPLY);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].payload, (std::vector<std::uint8_t>{CMD_START_GYR_BIAS, STATUS_FAILED}));
    EXPECT_EQ(replies[2].payload, (std::vector<std::uint8_t>{CMD_SET_SN, STATUS_OK}));
    // The withheld command still took effect; the failed and the pretended
    // ones did not.
    EXPECT_EQ(replies[1].sequence, 3);
    EXPECT_TRUE(simulator->module().sending());
    EXPECT_EQ(simulator->module().stored().serialNumber, "ORV000001");
    command(CMD_STOP_GYR_BIAS, 5);
    const auto stop = only(runUntil(now + 200ms), REPLY);
    ASSERT_EQ(stop.size(), 1u);
    EXPECT_EQ(stop[0].payload, (std::vector<std::uint8_t>{CMD_STOP_GYR_BIAS, STATUS_FAILED}));
}

TEST_F(SimulatorTest, DamagedBytesAreCaughtByTheReceiversChecks)
{
    SimulatorConfig config;
    config.module.fixedRate = 1000;
    config.faults.corruptRate = 0.001;
    config.faults.dropRate = 0.001;
    create(config);
    command(CMD_START_STREAM, 1);
    const auto frames = runUntil(start + 2s);
    const std::size_t samples = countOf(frames, DATA_SAMPLE);
    EXPECT_LT(samples, 2000u);
    EXPECT_GT(samples, 1500u);
    EXPECT_GT(decoder.stats().crcErrors + decoder.stats().droppedBytes, 0u);
    EXPECT_GT(sequenceGaps(frames), 0u);
}

TEST_F(SimulatorTest, JumpAnswersFirstThenFallsSilentUntilTheApplicationReturns)
{
    create();
    command(CMD_START_STREAM, 1);
    runUntil(start + 100ms);
    command(CMD_JUMP_DFU, 2);
    EXPECT_FALSE(simulator->bootloaderRequested());
    const auto frames = runUntil(start + 300ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload, (std::vector<std::uint8_t>{CMD_JUMP_DFU, STATUS_OK}));
    EXPECT_TRUE(simulator->bootloaderRequested());
    command(CMD_GET_VERSION, 3); // nobody listens in the bootloader
    EXPECT_TRUE(runUntil(start + 400ms).empty());

    simulator->returnFromBootloader(now, VersionBytes{3, 1, 0});
    EXPECT_FALSE(simulator->bootloaderRequested());
    command(CMD_GET_VERSION, 4);
    const auto back = runUntil(now + 1s);
    ASSERT_EQ(back.size(), 1u); // no stream: the application starts afresh
    EXPECT_EQ(back[0].payload, (std::vector<std::uint8_t>{CMD_GET_VERSION, STATUS_OK, 3, 1, 0}));
}

TEST_F(SimulatorTest, WithheldJumpAnswerStillLeavesForTheBootloader)
{
    SimulatorConfig config;
    config.faults.withholdAllReplies = true;
    create(config);
    command(CMD_JUMP_DFU, 9);
    EXPECT_TRUE(runUntil(now + 1ms).empty());
    EXPECT_TRUE(simulator->bootloaderRequested());
}

} // namespace
} // namespace imusim
