// SPDX-License-Identifier: GPL-3.0-or-later
#include "rendezvous.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <fstream>
#include <iterator>
#include <process.h>
#endif

namespace imuproto {

namespace {

constexpr const char *kPortFilePrefix = "port-";
constexpr const char *kSocketPrefix = "dfu-";
constexpr const char *kSocketSuffix = ".sock";
// A port file is three short lines; anything longer is not one.
constexpr std::size_t kPortFileLimit = 4096;

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string perUserTemporaryDirectory()
{
#ifdef _WIN32
    const std::string temp = environment("TEMP");
    return (temp.empty() ? std::string(".") : temp) + "/orvik-imu-sim";
#else
    return "/tmp/orvik-imu-sim-" + std::to_string(getuid());
#endif
}

#ifndef _WIN32

std::string refusal(const std::string &directory, const std::string &reason)
{
    return "refusing " + directory + ": " + reason;
}

std::string octalMode(mode_t mode)
{
    std::ostringstream text;
    text << '0' << std::oct << (mode & 07777);
    return text.str();
}

// The problem of an existing entry, from lstat's view of it.
std::string problemOf(const std::string &directory, const struct stat &entry)
{
    if (S_ISLNK(entry.st_mode))
        return refusal(directory, "is a symbolic link");
    if (!S_ISDIR(entry.st_mode))
        return refusal(directory, "is not a directory");
    if (entry.st_uid != getuid())
        return refusal(directory, "owned by uid " + std::to_string(entry.st_uid) + ", not by you");
    if ((entry.st_mode & 07777) != 0700)
        return refusal(directory, "mode " + octalMode(entry.st_mode) + ", must be 0700");
    return {};
}

bool processAlive(long processId)
{
    if (processId <= 0)
        return false;
    return ::kill(pid_t(processId), 0) == 0 || errno != ESRCH;
}

// The file's text, read without following a symbolic link; nothing when it
// cannot be opened or is no regular file.
std::optional<std::string> readRegularFile(const std::string &path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return std::nullopt;
    struct stat entry
    {
    };
    std::optional<std::string> content;
    if (::fstat(descriptor, &entry) == 0 && S_ISREG(entry.st_mode)) {
        content.emplace();
        char buffer[512];
        ssize_t count = 0;
        while (content->size() < kPortFileLimit &&
               (count = ::read(descriptor, buffer, sizeof buffer)) > 0)
            content->append(buffer, std::size_t(count));
    }
    ::close(descriptor);
    return content;
}

#else

bool processAlive(long processId)
{
    return processId > 0;
}

std::optional<std::string> readRegularFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

#endif

bool allOf(const std::string &text, int (*isKind)(int))
{
    return std::all_of(text.begin(), text.end(),
                       [isKind](char c) { return isKind(static_cast<unsigned char>(c)) != 0; });
}

// What lies between prefix and suffix of `name` when it has both and the
// part starts with a process id; nothing otherwise.
std::optional<std::string> publishedPart(const std::string &name, const std::string &prefix,
                                         const std::string &suffix)
{
    if (name.size() <= prefix.size() + suffix.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string part =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (!std::isdigit(static_cast<unsigned char>(part.front())))
        return std::nullopt;
    return part;
}

// A port file's name: the prefix and a process id.
bool isPortFileName(const std::string &name)
{
    const auto part = publishedPart(name, kPortFilePrefix, "");
    return part && allOf(*part, std::isdigit);
}

// A socket's name: the prefix, a process id, "-" and a serial number when
// there is one, and the suffix. The serial number, else nothing.
std::optional<std::string> socketSerialNumber(const std::string &name)
{
    const auto part = publishedPart(name, kSocketPrefix, kSocketSuffix);
    if (!part)
        return std::nullopt;
    const std::size_t dash = part->find('-');
    const std::string serial = dash == std::string::npos ? "" : part->substr(dash + 1);
    if (!allOf(part->substr(0, dash), std::isdigit) || !allOf(serial, std::isalnum))
        return std::nullopt;
    return serial;
}

// The entries of `directory`, by name.
std::vector<std::filesystem::directory_entry> entriesOf(const std::string &directory)
{
    std::vector<std::filesystem::directory_entry> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error))
        found.push_back(*it);
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

std::string simulatorDirectory()
{
    const std::string configured = environment("IMU_SIM_DIR");
    if (!configured.empty())
        return configured;
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (!runtime.empty())
        return runtime + "/orvik-imu-sim";
    return perUserTemporaryDirectory();
}

std::string portFileOf(const std::string &directory, long processId)
{
    return directory + "/" + kPortFilePrefix + std::to_string(processId);
}

std::string bootloaderSocketOf(const std::string &directory, long processId,
                               const std::string &serialNumber)
{
    const std::string named =
        serialNumber.empty() || !allOf(serialNumber, std::isalnum) ? "" : "-" + serialNumber;
    return directory + "/" + kSocketPrefix + std::to_string(processId) + named + kSocketSuffix;
}

std::string simulatorBootloaderSocket()
{
#ifdef _WIN32
    const long processId = long(_getpid());
#else
    const long processId = long(::getpid());
#endif
    return bootloaderSocketOf(simulatorDirectory(), processId, {});
}

std::string simulatorDirectoryProblem()
{
    return rendezvousDirectoryProblem(simulatorDirectory());
}

std::string formatPortFile(const std::string &devicePath, long processId, const std::string &unitId)
{
    return devicePath + "\n" + std::to_string(processId) + "\n" + unitId + "\n";
}

std::optional<PublishedPort> parsePortFile(const std::string &content)
{
    std::istringstream lines(content);
    PublishedPort port;
    std::string idLine;
    if (!std::getline(lines, port.devicePath) || port.devicePath.empty() ||
        !std::getline(lines, idLine))
        return std::nullopt;
    std::size_t used = 0;
    try {
        port.processId = std::stol(idLine, &used);
    } catch (const std::exception &) {
        return std::nullopt;
    }
    if (used != idLine.size())
        return std::nullopt;
    std::getline(lines, port.unitId);
    return port;
}

PortReading readPublishedPorts(const std::string &directory)
{
    PortReading reading;
    reading.problem = rendezvousDirectoryProblem(directory);
    if (!reading.problem.empty())
        return reading;
    for (const auto &entry : entriesOf(directory)) {
        if (!isPortFileName(entry.path().filename().string()))
            continue;
        const auto content = readRegularFile(entry.path().string());
        const auto port = content ? parsePortFile(*content) : std::nullopt;
        if (port && processAlive(port->processId))
            reading.ports.push_back(*port);
    }
    std::sort(
        reading.ports.begin(), reading.ports.end(),
        [](const PublishedPort &a, const PublishedPort &b) { return a.devicePath < b.devicePath; });
    return reading;
}

std::vector<BootloaderSocket> bootloaderSocketsIn(const std::string &directory)
{
    std::vector<BootloaderSocket> sockets;
    if (!rendezvousDirectoryProblem(directory).empty())
        return sockets;
    for (const auto &entry : entriesOf(directory)) {
        const auto serial = socketSerialNumber(entry.path().filename().string());
        if (serial && std::filesystem::is_socket(entry.symlink_status()))
            sockets.push_back({entry.path().string(), *serial});
    }
    return sockets;
}

#ifndef _WIN32

std::string rendezvousDirectoryProblem(const std::string &directory)
{
    struct stat entry
    {
    };
    if (::lstat(directory.c_str(), &entry) != 0)
        return errno == ENOENT
                   ? std::string()
                   : refusal(directory, std::string("cannot examine it: ") + std::strerror(errno));
    return problemOf(directory, entry);
}

std::string prepareRendezvousDirectory(const std::string &directory)
{
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot create " + directory + ": " + std::strerror(errno);
    struct stat entry
    {
    };
    if (::lstat(directory.c_str(), &entry) != 0)
        return refusal(directory, std::string("cannot examine it: ") + std::strerror(errno));
    return problemOf(directory, entry);
}

#else

std::string rendezvousDirectoryProblem(const std::string &)
{
    return {};
}

std::string prepareRendezvousDirectory(const std::string &)
{
    return {};
}

#endif

} // namespace imuproto
