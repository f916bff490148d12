#include "rendezvous.h"

#include <cstdlib>
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
#endif

namespace imuproto {

namespace {

constexpr const char *kPortFileName = "/port";
// A port file is two short lines; anything longer is not one.
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

#endif

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

std::string simulatorPortFile()
{
    return simulatorDirectory() + kPortFileName;
}

std::string simulatorBootloaderSocket()
{
    return simulatorDirectory() + "/dfu.sock";
}

std::string simulatorDirectoryProblem()
{
    return rendezvousDirectoryProblem(simulatorDirectory());
}

std::string formatPortFile(const std::string &devicePath, long processId)
{
    return devicePath + "\n" + std::to_string(processId) + "\n";
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
    return port;
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

PortReading readPublishedPort(const std::string &directory)
{
    PortReading reading;
    reading.problem = rendezvousDirectoryProblem(directory);
    if (!reading.problem.empty())
        return reading;
    const auto content = readRegularFile(directory + kPortFileName);
    const auto port = content ? parsePortFile(*content) : std::nullopt;
    if (port && processAlive(port->processId))
        reading.port = port;
    return reading;
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

PortReading readPublishedPort(const std::string &directory)
{
    std::ifstream file(directory + kPortFileName);
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return {parsePortFile(content), {}};
}

#endif

} // namespace imuproto
