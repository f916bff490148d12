// SPDX-License-Identifier: GPL-3.0-or-later
// The imu-sim program on its pseudo-terminal, with a small codec-based host:
// publication, signals, the jump to the bootloader and the vanish fault.
#include "support/module_client.h"
#include "support/simulator_process.h"

#include <frame.h>
#include <gtest/gtest.h>
#include <rendezvous.h>

#include <csignal>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

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

// Samples a second between the arrival of the first and the last sample in
// `frames`: a busy host delays only those two, never the count between them.
double sampleRate(const std::vector<ReceivedFrame> &frames)
{
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    for (const ReceivedFrame &frame : frames)
        if (frame.type == DATA_SAMPLE)
            arrivals.push_back(frame.arrival);
    if (arrivals.size() < 2)
        return 0;
    const std::chrono::duration<double> span = arrivals.back() - arrivals.front();
    return static_cast<double>(arrivals.size() - 1) / span.count();
}

TEST(Program, SimulatorsSharingAFolderAreUnitsSideBySideEachWithItsUnitId)
{
    SimulatorProcess first({"--uid", "0123456789abcdef01234567"});
    ASSERT_TRUE(first.started());
    SimulatorProcess second({"--seed", "2"}, first.directory());
    ASSERT_TRUE(second.started());
    const auto both = imuproto::readPublishedPorts(first.directory()).ports;
    ASSERT_EQ(both.size(), 2u);
    std::map<std::string, std::string> unitOf;
    for (const auto &port : both)
        unitOf[port.devicePath] = port.unitId;
    EXPECT_EQ(unitOf[first.devicePath()], "0123456789ABCDEF01234567");
    EXPECT_EQ(unitOf[second.devicePath()].size(), 24u) << "derived from the seed";

    EXPECT_EQ(second.stop(SIGTERM, PATIENCE), 0);
    const auto left = imuproto::readPublishedPorts(first.directory()).ports;
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].devicePath, first.devicePath());
}

TEST(Program, PublishesItsTerminalAndWithdrawsItOnEveryStopSignal)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SimulatorProcess simulator;
        ASSERT_TRUE(simulator.started());
        const auto published = imuproto::readPublishedPorts(simulator.directory());
        ASSERT_EQ(published.ports.size(), 1u) << published.problem;
        EXPECT_EQ(published.ports[0].devicePath, simulator.devicePath());
        EXPECT_EQ(firstLine(simulator.portFile()), simulator.devicePath());

        ModuleClient host(simulator.devicePath());
        ASSERT_TRUE(host.isOpen());
        const auto version = host.command(CMD_GET_VERSION);
        ASSERT_TRUE(version);
        EXPECT_EQ(version->payload,
                  (std::vector<std::uint8_t>{CMD_GET_VERSION, STATUS_OK, 1, 4, 2}));

        EXPECT_EQ(simulator.stop(signal, PATIENCE), 0);
        EXPECT_FALSE(fileExists(simulator.portFile()));
        EXPECT_TRUE(eventually([&] { return !host.peerPresent(); }));
    }
}

// About a second of samples at each rate; 30 % off still tells 200 Hz from
// 100 Hz and 10 Hz from 5 Hz.
TEST(Program, StreamsAboutTheChosenRateWithoutLoss)
{
    SimulatorProcess simulator;
    ModuleClient host(simulator.devicePath());
    ASSERT_TRUE(host.command(CMD_SET_RATE, {5}));
    ASSERT_TRUE(host.command(CMD_START_STREAM));
    const auto frames = host.receiveUntil(DATA_SAMPLE, 201, PATIENCE);
    EXPECT_NEAR(sampleRate(frames), 200.0, 60.0);
    EXPECT_EQ(countSequenceGaps(frames), 0u);
    EXPECT_EQ(host.decoderStats().droppedBytes, 0u);

    ASSERT_TRUE(host.command(CMD_SET_RATE, {2}));
    host.takeData();
    EXPECT_NEAR(sampleRate(host.receiveUntil(DATA_SAMPLE, 11, PATIENCE)), 10.0, 3.0);
}

TEST(Program, NextHostKeepsTheModuleStateAndLosesNoWholeFrame)
{
    SimulatorProcess simulator({"--rate", "2000"});
    {
        ModuleClient first(simulator.devicePath());
        ASSERT_TRUE(first.command(CMD_START_STREAM));
        first.receiveFor(100ms);
    } // leaves with the stream running and unread data pending
    // The terminal keeps what the first host left unread, which may begin
    // with the rest of a frame whose head it read: only that rest is lost.
    ModuleClient second(simulator.devicePath());
    const auto frames = second.receiveUntil(DATA_SAMPLE, 100, PATIENCE);
    ASSERT_GE(countType(frames, DATA_SAMPLE), 100u);
    const std::size_t frameSize = HEADER_SIZE + frames.back().payload.size() + CRC_SIZE;
    EXPECT_LT(second.decoderStats().droppedBytes, frameSize);
}

TEST(Program, JumpWithdrawsThePortUntilTheApplicationReturns)
{
    SimulatorProcess simulator({"--bootloader-time", "0.5"});
    {
        ModuleClient host(simulator.devicePath());
        const auto jump = host.command(CMD_JUMP_DFU);
        ASSERT_TRUE(jump);
        EXPECT_EQ(jump->payload, (std::vector<std::uint8_t>{CMD_JUMP_DFU, STATUS_OK}));
        EXPECT_TRUE(eventually([&] { return !host.peerPresent(); }));
        EXPECT_FALSE(fileExists(simulator.portFile()));
    }
    const auto device = simulator.nextLine(PATIENCE);
    ASSERT_TRUE(device);
    EXPECT_EQ(firstLine(simulator.portFile()), *device);
    ModuleClient host(*device);
    EXPECT_TRUE(host.command(CMD_GET_VERSION));
}

TEST(Program, OutlivesTheReaderOfItsOutputAndStillWithdrawsItsPort)
{
    SimulatorProcess simulator({"--bootloader-time", "1"});
    simulator.closeOutput();
    {
        ModuleClient host(simulator.devicePath());
        ASSERT_TRUE(host.command(CMD_JUMP_DFU));
        EXPECT_TRUE(eventually([&] { return !fileExists(simulator.portFile()); }));
    }
    // Back in its application, it prints its new terminal to nobody.
    ASSERT_TRUE(eventually([&] { return fileExists(simulator.portFile()); }));
    ModuleClient host(firstLine(simulator.portFile()));
    EXPECT_TRUE(host.command(CMD_GET_VERSION));
    EXPECT_EQ(simulator.stop(SIGTERM, PATIENCE), 0);
    EXPECT_FALSE(fileExists(simulator.portFile()));
}

TEST(Program, VanishFaultHangsUpAndEnds)
{
    SimulatorProcess simulator({"--vanish-after", "0.3", "--rate", "500"});
    ModuleClient host(simulator.devicePath());
    ASSERT_TRUE(host.command(CMD_START_STREAM));
    EXPECT_TRUE(eventually([&] { return !host.peerPresent(); }));
    EXPECT_EQ(simulator.waitForExit(PATIENCE), 0);
    EXPECT_FALSE(fileExists(simulator.portFile()));
}

// A folder someone else owns: a scratch folder given away when the tests run
// as root, else the root directory.
std::string foreignFolder(const std::string &scratch)
{
    if (::getuid() != 0)
        return "/";
    const std::string folder = scratch + "/foreign";
    if (::mkdir(folder.c_str(), 0700) != 0 || ::chown(folder.c_str(), 65534, 65534) != 0)
        return {};
    return folder;
}

TEST(Program, RefusesARendezvousFolderOthersCouldUse)
{
    SimulatorProcess scratch;
    ASSERT_TRUE(scratch.started());
    const std::string open = scratch.directory() + "/open";
    ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    const std::string link = scratch.directory() + "/link";
    ASSERT_EQ(::symlink(open.c_str(), link.c_str()), 0);
    const std::string foreign = foreignFolder(scratch.directory());
    ASSERT_FALSE(foreign.empty());

    for (const auto &[folder, reason] :
         std::vector<std::pair<std::string, std::string>>{{open, "mode 0777, must be 0700"},
                                                          {link, "is a symbolic link"},
                                                          {foreign, ", not by you"}}) {
        SimulatorProcess refused({"--dir", folder});
        EXPECT_FALSE(refused.started()) << folder;
        EXPECT_EQ(refused.waitForExit(PATIENCE), 1) << folder;
        EXPECT_NE(refused.errorOutput().find("refusing " + folder + ": "), std::string::npos)
            << refused.errorOutput();
        EXPECT_NE(refused.errorOutput().find(reason), std::string::npos) << refused.errorOutput();
        EXPECT_TRUE(imuproto::readPublishedPorts(folder).ports.empty());
    }
}

TEST(Program, RefusesBadOptions)
{
    SimulatorProcess simulator({"--rate", "none"});
    EXPECT_FALSE(simulator.started());
    EXPECT_EQ(simulator.waitForExit(PATIENCE), 2);

    const std::string profile = ::testing::TempDir() + "imu_sim_bad_profile.json";
    std::ofstream(profile) << R"({"imu1": {"acc_matrix": [[1, 0, 0]]}})";
    SimulatorProcess refused({"--sensor-profile", profile});
    EXPECT_FALSE(refused.started());
    EXPECT_EQ(refused.waitForExit(PATIENCE), 2);
    EXPECT_NE(refused.errorOutput().find("imu-sim: sensor profile " + profile +
                                         ": imu1.acc_matrix: expected 3 rows of 3 numbers"),
              std::string::npos)
        << refused.errorOutput();
}

} // namespace
} // namespace imusim::testing
