// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_display.h"

#include "process_stats.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

extern char **environ;

namespace {

// Reads the line the server writes once it accepts clients, until `limitMs`.
std::string readReadyLine(int fd, int limitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    std::string line;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0)
            return {};
        char chunk[32];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0)
            return {};
        line.append(chunk, std::size_t(got));
    }
    return line.substr(0, line.find('\n'));
}

} // namespace

XDisplay::~XDisplay()
{
    if (!ownServer_ || !serverPid_)
        return;
    kill(*serverPid_, SIGTERM);
    waitpid(*serverPid_, nullptr, 0);
}

bool XDisplay::open(int width, int height, int limitMs, std::string &error)
{
    if (const char *display = std::getenv("DISPLAY"); display && *display) {
        name_ = display;
        serverPid_ = procstats::localServerPid(name_);
        return true;
    }
    return startServer(width, height, limitMs, error);
}

// Xvfb picks a free display number itself and writes it to the descriptor
// given with -displayfd once it listens, which also tells when it is ready.
// With -terminate it also ends when its last client goes away, so a driver
// killed before its clean-up leaves no server behind.
bool XDisplay::startServer(int width, int height, int limitMs, std::string &error)
{
    int readyPipe[2];
    if (pipe(readyPipe) != 0) {
        error = "cannot create a pipe";
        return false;
    }
    fcntl(readyPipe[0], F_SETFD, FD_CLOEXEC);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string readyFd = std::to_string(readyPipe[1]);
    std::vector<std::string> args = {"Xvfb", "-displayfd", readyFd, "-screen",   "0",
                                     screen, "-nolisten",  "tcp",   "-terminate"};
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(readyPipe[1]);
    if (spawned != 0) {
        close(readyPipe[0]);
        error = "cannot start Xvfb (is it installed?)";
        return false;
    }
    serverPid_ = pid;
    ownServer_ = true;
    const std::string number = readReadyLine(readyPipe[0], limitMs);
    close(readyPipe[0]);
    if (number.empty()) {
        error = "Xvfb did not report a display";
        return false;
    }
    name_ = ":" + number;
    setenv("DISPLAY", name_.c_str(), 1);
    return true;
}
