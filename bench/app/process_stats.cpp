#include "process_stats.h"

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

std::string readText(const std::string &path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::optional<pid_t> localServerPid(const std::string &display)
{
    const auto number = localDisplayNumber(display);
    if (!number)
        return std::nullopt;
    return lockFilePid(readText("/tmp/.X" + std::to_string(*number) + "-lock"));
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
