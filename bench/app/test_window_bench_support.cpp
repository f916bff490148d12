// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_stats.h"

#include <gtest/gtest.h>

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
