// SPDX-License-Identifier: GPL-3.0-or-later
// Readings of another process (or this one) from /proc, and the local X
// server's process behind a DISPLAY value.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace procstats {

// utime + stime, in clock ticks, from the text of /proc/<pid>/stat. The
// command name in parentheses may itself hold spaces and parentheses, so the
// fields are counted from the last ')'.
std::optional<std::uint64_t> cpuTicks(const std::string &statText);

// VmRSS in KiB from the text of /proc/<pid>/status.
std::optional<std::uint64_t> residentKiB(const std::string &statusText);

// The display number of a DISPLAY naming a server on this machine (":1",
// ":1.0", "unix:1"); none for a server reached over the network.
std::optional<int> localDisplayNumber(const std::string &display);

// The pid an X server writes into its lock file /tmp/.X<N>-lock.
std::optional<pid_t> lockFilePid(const std::string &lockText);

// The inode of the Unix socket bound to `path`, from the text of
// /proc/net/unix.
std::optional<std::uint64_t> socketInode(const std::string &netUnixText, const std::string &path);

// The whole file, or an empty string if it cannot be read.
std::string readText(const std::string &path);

// The pid of the local X server of `display`: the one its lock file names,
// else the process holding its listening socket (a server started with
// -displayfd or -nolock writes no lock file).
std::optional<pid_t> localServerPid(const std::string &display);

// CPU time a process used between two readings, as a percentage of one core.
class CpuMeter
{
public:
    explicit CpuMeter(pid_t pid) : pid_(pid) {}
    // Starts an interval; false if the process cannot be read.
    bool start();
    // The share of one core since start(), over `wallSeconds`; none if the
    // process cannot be read any more.
    std::optional<double> percentSince(double wallSeconds) const;

private:
    std::optional<std::uint64_t> ticksNow() const;

    pid_t pid_;
    std::uint64_t startTicks_ = 0;
};

} // namespace procstats
