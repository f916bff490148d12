// The imu-sim program on its pseudo-terminal, with a small codec-based host:
// publication, signals, the jump to the bootloader and the vanish fault.
#include "support/module_client.h"
#include "support/simulator_process.h"

#include <frame.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace imusim::testing {
namespace {

using namespace imuproto;
using namespace std::chrono_literals;

std::string firstLine(const std::string &path)
{
    std::string line;
    std::getline(std::ifstream(path), line);
    return line;
}

std::size_t countType(const std::vector<ReceivedFrame> &frames, std::uint8_t type)
{
    return static_cast<std::size_t>(std::count_if(
        frames.begin(), frames.end(), [&](const ReceivedFrame &f) { return f.type == type; }));
}

TEST(Program, PublishesItsTerminalAndWithdrawsItOnEitherStopSignal)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SimulatorProcess simulator;
        ASSERT_TRUE(simulator.started());
        EXPECT_EQ(firstLine(simulator.portFile()), simulator.devicePath());

        ModuleClient host(simulator.devicePath());
        ASSERT_TRUE(host.isOpen());
        const auto version = host.command(CMD_GET_VERSION);
        ASSERT_TRUE(version);
        EXPECT_EQ(version->payload,
                  (std::vector<std::uint8_t>{CMD_GET_VERSION, STATUS_OK, 1, 4, 2}));

        EXPECT_EQ(simulator.stop(signal, 5s), 0);
        EXPECT_FALSE(fileExists(simulator.portFile()));
        EXPECT_TRUE(eventually([&] { return !host.peerPresent(); }, 2s));
    }
}

TEST(Program, StreamsAboutTheChosenRateWithoutLoss)
{
    SimulatorProcess simulator;
    ModuleClient host(simulator.devicePath());
    ASSERT_TRUE(host.command(CMD_SET_RATE, {5}));
    ASSERT_TRUE(host.command(CMD_START_STREAM));
    const auto frames = host.receiveFor(1000ms);
    const std::size_t samples = countType(frames, DATA_SAMPLE);
    // About 200; the window is only as exact as the scheduler of the host.
    EXPECT_GT(samples, 120u);
    EXPECT_LT(samples, 280u);
    EXPECT_EQ(countSequenceGaps(frames), 0u);
    EXPECT_EQ(host.decoderStats().droppedBytes, 0u);

    ASSERT_TRUE(host.command(CMD_SET_RATE, {2}));
    host.takeData();
    const std::size_t slow = countType(host.receiveFor(1000ms), DATA_SAMPLE);
    EXPECT_GT(slow, 4u);
    EXPECT_LT(slow, 16u);
}

TEST(Program, NextHostStartsOnAFrameBoundaryAndKeepsTheModuleState)
{
    SimulatorProcess simulator({"--rate", "2000"});
    {
        ModuleClient first(simulator.devicePath());
        ASSERT_TRUE(first.command(CMD_START_STREAM));
        first.receiveFor(100ms);
    } // leaves with the stream running and unread data pending
    ModuleClient second(simulator.devicePath());
    const auto frames = second.receiveFor(300ms);
    EXPECT_GT(countType(frames, DATA_SAMPLE), 100u);
    EXPECT_EQ(second.decoderStats().droppedBytes, 0u);
    EXPECT_EQ(second.decoderStats().crcErrors, 0u);
}

TEST(Program, JumpWithdrawsThePortUntilTheApplicationReturns)
{
    SimulatorProcess simulator({"--bootloader-time", "0.5"});
    {
        ModuleClient host(simulator.devicePath());
        const auto jump = host.command(CMD_JUMP_DFU);
        ASSERT_TRUE(jump);
        EXPECT_EQ(jump->payload, (std::vector<std::uint8_t>{CMD_JUMP_DFU, STATUS_OK}));
        EXPECT_TRUE(eventually([&] { return !host.peerPresent(); }, 2s));
        EXPECT_FALSE(fileExists(simulator.portFile()));
    }
    const auto device = simulator.nextLine(5s);
    ASSERT_TRUE(device);
    EXPECT_EQ(firstLine(simulator.portFile()), *device);
    ModuleClient host(*device);
    EXPECT_TRUE(host.command(CMD_GET_VERSION));
}

TEST(Program, VanishFaultHangsUpAndEnds)
{
    SimulatorProcess simulator({"--vanish-after", "0.3", "--rate", "500"});
    ModuleClient host(simulator.devicePath());
    ASSERT_TRUE(host.command(CMD_START_STREAM));
    EXPECT_TRUE(eventually([&] { return !host.peerPresent(); }, 5s));
    EXPECT_EQ(simulator.waitForExit(5s), 0);
    EXPECT_FALSE(fileExists(simulator.portFile()));
}

TEST(Program, RefusesBadOptions)
{
    SimulatorProcess simulator({"--rate", "none"});
    EXPECT_FALSE(simulator.started());
    EXPECT_EQ(simulator.waitForExit(5s), 2);
}

} // namespace
} // namespace imusim::testing
