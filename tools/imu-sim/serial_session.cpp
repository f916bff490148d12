// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial_session.h"

#include "stop_signal.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace imusim {

namespace {

using namespace std::chrono_literals;

// Beyond this much unsent output the host is not keeping up: samples are
// dropped (and counted) instead of queued without end.
constexpr std::size_t BACKLOG_LIMIT = 64 * 1024;
// Without a host, how often to look whether one has opened the terminal.
constexpr auto HOST_CHECK_INTERVAL = 20ms;
// Time the host gets to read the answer to the jump before the port goes.
constexpr auto WITHDRAW_GRACE = 100ms;

class Session
{
public:
    Session(Simulator &simulator, const PseudoTerminal &terminal, std::optional<TimePoint> vanishAt)
        : simulator_(simulator), terminal_(terminal), vanishAt_(vanishAt),
          hostAttached_(terminal.hostAttached())
    {
    }

    SessionEnd run()
    {
        for (;;) {
            const TimePoint now = Clock::now();
            if (stopRequested())
                return SessionEnd::Stopped;
            if (vanishAt_ && now >= *vanishAt_)
                return SessionEnd::Vanished;
            if (withdrawAt_ && now >= *withdrawAt_)
                return SessionEnd::JumpedToBootloader;
            produce(now);
            wait(now);
        }
    }

private:
    std::size_t unsent() const { return output_.size() - written_; }

    void produce(TimePoint now)
    {
        simulator_.produce(now, !hostAttached_ || unsent() > BACKLOG_LIMIT, output_);
        if (hostAttached_)
            flush();
        else
            clearOutput();
        if (simulator_.bootloaderRequested() && unsent() == 0 && !withdrawAt_)
            withdrawAt_ = now + WITHDRAW_GRACE;
    }

    void flush()
    {
        while (unsent() > 0) {
            const ssize_t count = ::write(terminal_.fd(), output_.data() + written_, unsent());
            if (count > 0) {
                written_ += static_cast<std::size_t>(count);
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && errno != EAGAIN)
                hostLeft();
            break;
        }
        if (unsent() == 0)
            clearOutput();
    }

    void clearOutput()
    {
        output_.clear();
        written_ = 0;
    }

    void hostLeft()
    {
        hostAttached_ = false;
        clearOutput();
    }

    void wait(TimePoint now)
    {
        TimePoint wakeAt = simulator_.nextWakeup();
        for (const auto &limit : {vanishAt_, withdrawAt_})
            if (limit)
                wakeAt = std::min(wakeAt, *limit);
        if (!hostAttached_)
            wakeAt = std::min(wakeAt, now + HOST_CHECK_INTERVAL);

        pollfd watched[2] = {{stopSignalDescriptor(), POLLIN, 0}, {terminal_.fd(), 0, 0}};
        if (hostAttached_)
            watched[1].events = static_cast<short>(POLLIN | (unsent() > 0 ? POLLOUT : 0));
        ::poll(watched, hostAttached_ ? 2 : 1, timeoutMs(now, wakeAt));

        if (hostAttached_)
            serveHost(watched[1].revents);
        else if (terminal_.hostAttached())
            hostArrived();
    }

    static int timeoutMs(TimePoint now, TimePoint wakeAt)
    {
        if (wakeAt <= now)
            return 0;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now);
        return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), 1000));
    }

    void serveHost(short events)
    {
        if (events & POLLIN)
            readCommands();
        if (events & (POLLHUP | POLLERR))
            hostLeft();
    }

    void readCommands()
    {
        std::uint8_t buffer[4096];
        for (;;) {
            const ssize_t count = ::read(terminal_.fd(), buffer, sizeof buffer);
            if (count > 0) {
                simulator_.receive(buffer, static_cast<std::size_t>(count), Clock::now());
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count == 0 || errno != EAGAIN)
                hostLeft();
            return;
        }
    }

    void hostArrived()
    {
        hostAttached_ = true;
        simulator_.hostConnected();
    }

    Simulator &simulator_;
    const PseudoTerminal &terminal_;
    std::optional<TimePoint> vanishAt_;
    std::optional<TimePoint> withdrawAt_;
    bool hostAttached_;
    std::vector<std::uint8_t> output_;
    std::size_t written_ = 0;
};

} // namespace

SessionEnd serveSession(Simulator &simulator, const PseudoTerminal &terminal,
                        std::optional<TimePoint> vanishAt)
{
    return Session(simulator, terminal, vanishAt).run();
}

} // namespace imusim
