// SPDX-License-Identifier: GPL-3.0-or-later
#include "stop_signal.h"

#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace imusim {

namespace {

std::atomic<bool> stopFlag{false};
int wakeUpPipe[2] = {-1, -1};

void onStopSignal(int)
{
    stopFlag = true;
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(wakeUpPipe[1], &byte, 1);
}

} // namespace

bool installStopSignals()
{
    if (::pipe2(wakeUpPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    // A reader of the standard output that went away (`imu-sim | head -n1`)
    // must not end the simulator with its port still published: the printing
    // fails quietly instead.
    return ::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

const std::atomic<bool> &stopRequested()
{
    return stopFlag;
}

int stopSignalDescriptor()
{
    return wakeUpPipe[0];
}

} // namespace imusim
