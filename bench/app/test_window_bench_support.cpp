#include "process_stats.h"
#include "x_display.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

using namespace procstats;

TEST(ProcessStats, CpuTicksAreUserPlusSystemTimeCountedAfterTheName)
{
    // Fields 14 and 15 (utime 1234, stime 56); the name holds spaces and ')'.
    const std::string stat = "4242 (a) b (c)) S 1 4242 4242 0 -1 4194560 900 0 0 0 1234 56 0 0 "
                             "20 0 3 0 100 200000000 9000 18446744073709551615\n";
    EXPECT_EQ(cpuTicks(stat), 1290u);
    EXPECT_EQ(cpuTicks("4242 (short) S 1 2 3"), std::nullopt);
    EXPECT_EQ(cpuTicks("no name at all"), std::nullopt);
    EXPECT_EQ(cpuTicks("1 (x) S 1 1 1 0 -1 0 0 0 0 0 -5 6 0"), std::nullopt);
}

TEST(ProcessStats, ResidentMemoryComesFromVmRss)
{
    EXPECT_EQ(residentKiB("Name:\tx\nVmHWM:\t  9000 kB\nVmRSS:\t   51234 kB\nThreads: 3\n"),
              51234u);
    EXPECT_EQ(residentKiB("Name:\tx\nVmHWM:\t9000 kB\n"), std::nullopt);
}

TEST(ProcessStats, ReadsThisProcess)
{
    const std::string self = "/proc/" + std::to_string(getpid());
    EXPECT_TRUE(cpuTicks(readText(self + "/stat")).has_value());
    EXPECT_GT(residentKiB(readText(self + "/status")).value_or(0), 0u);
    CpuMeter meter(getpid());
    ASSERT_TRUE(meter.start());
    EXPECT_GE(meter.percentSince(1.0).value_or(-1), 0.0);
    CpuMeter gone(-1);
    EXPECT_FALSE(gone.start());
}

TEST(ProcessStats, OnlyLocalDisplaysNameAServerProcess)
{
    EXPECT_EQ(localDisplayNumber(":0"), 0);
    EXPECT_EQ(localDisplayNumber(":12.0"), 12);
    EXPECT_EQ(localDisplayNumber("unix:3"), 3);
    EXPECT_EQ(localDisplayNumber("localhost:10.0"), std::nullopt);
    EXPECT_EQ(localDisplayNumber("host.example:1"), std::nullopt);
    EXPECT_EQ(localDisplayNumber(":"), std::nullopt);
    EXPECT_EQ(localDisplayNumber("wayland-0"), std::nullopt);

    EXPECT_EQ(lockFilePid("      4711\n"), 4711);
    EXPECT_EQ(lockFilePid(""), std::nullopt);
    EXPECT_EQ(lockFilePid("0\n"), std::nullopt);
    EXPECT_EQ(lockFilePid("abc\n"), std::nullopt);

    const std::string netUnix =
        "Num       RefCount Protocol Flags    Type St Inode Path\n"
        "0000000000000000: 00000002 00000000 00010000 0001 01 31337 @/tmp/.X11-unix/X4\n"
        "0000000000000000: 00000002 00000000 00010000 0001 01 31338 /tmp/.X11-unix/X4\n"
        "0000000000000000: 00000003 00000000 00000000 0001 03 40000\n";
    EXPECT_EQ(socketInode(netUnix, "/tmp/.X11-unix/X4"), 31338u);
    EXPECT_EQ(socketInode(netUnix, "/tmp/.X11-unix/X40"), std::nullopt);
}

namespace {

bool onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        if (access((folders.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Restores DISPLAY as it was, since opening a display of our own sets it.
struct SavedDisplay
{
    SavedDisplay()
    {
        if (const char *display = std::getenv("DISPLAY"))
            value = display;
        unsetenv("DISPLAY");
    }
    ~SavedDisplay()
    {
        if (value.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", value.c_str(), 1);
    }
    std::string value;
};

} // namespace

// The server, started with -displayfd, writes no lock file: an adopter finds
// it through its listening socket.
TEST(XDisplay, OwnServerIsAdoptedThroughDisplayAndEndsWithItsOwner)
{
    if (!onPath("Xvfb"))
        GTEST_SKIP() << "Xvfb is not installed";
    SavedDisplay saved;
    pid_t serverPid = 0;
    {
        XDisplay own;
        std::string error;
        ASSERT_TRUE(own.open(320, 200, 30000, error)) << error;
        ASSERT_TRUE(own.ownServer());
        ASSERT_TRUE(own.serverPid().has_value());
        serverPid = *own.serverPid();
        const char *display = std::getenv("DISPLAY");
        EXPECT_EQ(std::string(display ? display : ""), own.name());
        EXPECT_EQ(localServerPid(own.name()), serverPid);
        EXPECT_TRUE(CpuMeter(serverPid).start());

        XDisplay adopted;
        ASSERT_TRUE(adopted.open(320, 200, 30000, error)) << error;
        EXPECT_FALSE(adopted.ownServer());
        EXPECT_EQ(adopted.name(), own.name());
        EXPECT_EQ(adopted.serverPid(), serverPid);
    }
    // The owner ended and reaped its server; the adopter left it alone.
    EXPECT_NE(kill(serverPid, 0), 0);
}
