// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator_process.h"

#include <rendezvous.h>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace imusim::testing {

namespace {

std::string makeTemporaryDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "imu-sim-test-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

} // namespace

SimulatorProcess::SimulatorProcess(const std::vector<std::string> &arguments)
    : directory_(makeTemporaryDirectory()), errorLog_(directory_ + "/stderr.log")
{
    start(arguments);
}

SimulatorProcess::SimulatorProcess(const std::vector<std::string> &arguments,
                                   const std::string &sharedDirectory)
    : directory_(sharedDirectory), ownsDirectory_(false)
{
    static std::atomic<int> started{0};
    errorLog_ = directory_ + "/stderr-" + std::to_string(++started) + ".log";
    start(arguments);
}

void SimulatorProcess::start(const std::vector<std::string> &arguments)
{
    int pipeEnds[2];
    if (directory_.empty() || ::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> command{IMU_SIM_PROGRAM, "--dir", directory_};
    command.insert(command.end(), arguments.begin(), arguments.end());
    // Everything the child needs is prepared here: after fork() in a process
    // with threads it may only make plain system calls.
    std::vector<char *> argv;
    for (std::string &part : command)
        argv.push_back(part.data());
    argv.push_back(nullptr);
    const std::string log = errorLog_;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        const int logFile = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (logFile >= 0)
            ::dup2(logFile, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    devicePath_ = nextLine(std::chrono::seconds(10)).value_or("");
}

SimulatorProcess::~SimulatorProcess()
{
    if (pid_ > 0 && !stop(SIGTERM, std::chrono::seconds(5)))
        stop(SIGKILL, std::chrono::seconds(5));
    if (output_ >= 0)
        ::close(output_);
    std::error_code ignored;
    if (ownsDirectory_ && !directory_.empty())
        std::filesystem::remove_all(directory_, ignored);
}

void SimulatorProcess::closeOutput()
{
    if (output_ >= 0)
        ::close(output_);
    output_ = -1;
}

std::optional<std::string> SimulatorProcess::nextLine(std::chrono::milliseconds patience)
{
    const auto end = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const auto newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd readable{output_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        char buffer[256];
        const ssize_t count = ::read(output_, buffer, sizeof buffer);
        if (count <= 0)
            return std::nullopt;
        pending_.append(buffer, static_cast<std::size_t>(count));
    }
}

std::optional<int> SimulatorProcess::stop(int signal, std::chrono::milliseconds patience)
{
    if (pid_ <= 0)
        return std::nullopt;
    ::kill(pid_, signal);
    return waitForExit(patience);
}

std::optional<int> SimulatorProcess::waitForExit(std::chrono::milliseconds patience)
{
    int status = 0;
    const bool ended =
        eventually([&] { return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_; }, patience);
    if (!ended)
        return std::nullopt;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string SimulatorProcess::errorOutput() const
{
    std::ifstream log(errorLog_);
    return std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
}

// "imu-sim: N commands, S samples sent, K skipped"
std::optional<SampleCounts> SimulatorProcess::sampleCounts() const
{
    const std::string report = errorOutput();
    const std::size_t at = report.rfind(" commands, ");
    SampleCounts counts;
    if (at == std::string::npos ||
        std::sscanf(report.c_str() + at, " commands, %" SCNu64 " samples sent, %" SCNu64 " skipped",
                    &counts.sent, &counts.skipped) != 2)
        return std::nullopt;
    return counts;
}

std::optional<std::uint64_t> SimulatorProcess::flashBytesWritten() const
{
    const std::string report = errorOutput();
    const std::size_t at = report.rfind(" skipped, ");
    std::uint64_t written = 0;
    if (at == std::string::npos ||
        std::sscanf(report.c_str() + at, " skipped, %" SCNu64 " image bytes written", &written) !=
            1)
        return std::nullopt;
    return written;
}

std::string SimulatorProcess::portFile() const
{
    return imuproto::portFileOf(directory_, pid_);
}

bool fileExists(const std::string &path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

} // namespace imusim::testing
