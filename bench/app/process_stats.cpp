// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_stats.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

namespace procstats {

namespace {

// Positions of utime and stime among the fields after the command name
// (fields 14 and 15 of the line, counted from 1; the state is field 3).
constexpr std::size_t utimeAfterName = 14 - 3;
constexpr std::size_t stimeAfterName = 15 - 3;

std::optional<std::uint64_t> unsignedNumber(const std::string &text)
{
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    return std::stoull(text);
}

} // namespace

std::optional<std::uint64_t> cpuTicks(const std::string &statText)
{
    const std::size_t nameEnd = statText.rfind(')');
    if (nameEnd == std::string::npos)
        return std::nullopt;
    std::istringstream fields(statText.substr(nameEnd + 1));
    std::vector<std::string> after;
    for (std::string field; fields >> field && after.size() <= stimeAfterName;)
        after.push_back(field);
    if (after.size() <= stimeAfterName)
        return std::nullopt;
    const auto user = unsignedNumber(after[utimeAfterName]);
    const auto system = unsignedNumber(after[stimeAfterName]);
    if (!user || !system)
        return std::nullopt;
    return *user + *system;
}

std::optional<std::uint64_t> residentKiB(const std::string &statusText)
{
    std::istringstream lines(statusText);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("VmRSS:", 0) != 0)
            continue;
        std::istringstream value(line.substr(6));
        std::string number;
        value >> number;
        return unsignedNumber(number);
    }
    return std::nullopt;
}

std::optional<int> localDisplayNumber(const std::string &display)
{
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix")
        return std::nullopt;
    const std::string rest = display.substr(colon + 1);
    const auto number = unsignedNumber(rest.substr(0, rest.find('.')));
    if (!number || *number > 65535)
        return std::nullopt;
    return int(*number);
}

std::optional<pid_t> lockFilePid(const std::string &lockText)
{
    std::istringstream text(lockText);
    std::string number;
    text >> number;
    const auto pid = unsignedNumber(number);
    if (!pid || *pid == 0 || *pid > 0x7fffffff)
        return std::nullopt;
    return pid_t(*pid);
}

std::optional<std::uint64_t> socketInode(const std::string &netUnixText, const std::string &path)
{
    // Num RefCount Protocol Flags Type St Inode Path
    std::istringstream lines(netUnixText);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string field[8];
        for (std::string &f : field)
            fields >> f;
        if (field[7] == path)
            return unsignedNumber(field[6]);
    }
    return std::nullopt;
}

std::string readText(const std::string &path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

namespace {

// The process with a descriptor open on the socket `inode`.
std::optional<pid_t> socketOwner(std::uint64_t inode)
{
    const std::string target = "socket:[" + std::to_string(inode) + "]";
    std::optional<pid_t> owner;
    DIR *processes = opendir("/proc");
    for (dirent *process; !owner && processes && (process = readdir(processes));) {
        const auto pid = unsignedNumber(process->d_name);
        if (!pid)
            continue;
        const std::string fdFolder = "/proc/" + std::string(process->d_name) + "/fd";
        DIR *descriptors = opendir(fdFolder.c_str());
        for (dirent *fd; !owner && descriptors && (fd = readdir(descriptors));) {
            char link[64];
            const std::string fdPath = fdFolder + "/" + fd->d_name;
            const ssize_t size = readlink(fdPath.c_str(), link, sizeof link);
            if (size > 0 && std::string(link, std::size_t(size)) == target)
                owner = pid_t(*pid);
        }
        if (descriptors)
            closedir(descriptors);
    }
    if (processes)
        closedir(processes);
    return owner;
}

} // namespace

std::optional<pid_t> localServerPid(const std::string &display)
{
    const auto number = localDisplayNumber(display);
    if (!number)
        return std::nullopt;
    const std::string suffix = std::to_string(*number);
    if (const auto pid = lockFilePid(readText("/tmp/.X" + suffix + "-lock")))
        return pid;
    const auto inode = socketInode(readText("/proc/net/unix"), "/tmp/.X11-unix/X" + suffix);
    return inode ? socketOwner(*inode) : std::nullopt;
}

bool CpuMeter::start()
{
    const auto ticks = ticksNow();
    startTicks_ = ticks.value_or(0);
    return ticks.has_value();
}

std::optional<double> CpuMeter::percentSince(double wallSeconds) const
{
    const auto ticks = ticksNow();
    if (!ticks || wallSeconds <= 0)
        return std::nullopt;
    const double cpuSeconds = double(*ticks - startTicks_) / double(sysconf(_SC_CLK_TCK));
    return 100.0 * cpuSeconds / wallSeconds;
}

std::optional<std::uint64_t> CpuMeter::ticksNow() const
{
    return cpuTicks(readText("/proc/" + std::to_string(pid_) + "/stat"));
}

} // namespace procstats
