// SPDX-License-Identifier: GPL-3.0-or-later
// The library's own thread per open port: it runs an event loop and owns the
// serial link, so every read and write happens there.
#pragma once

#include "serial_link.h"

#include <QThread>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace IMUserial {

class PortThread
{
public:
    using Task = std::function<void(SerialLink &)>;

    explicit PortThread(LinkListener &listener);
    // Closes the port and ends the thread; must not run on the port thread.
    ~PortThread();
    PortThread(const PortThread &) = delete;
    PortThread &operator=(const PortThread &) = delete;

    // Opens the port on the port thread and waits for the outcome.
    bool open(const QString &portName);
    // Runs task on the port thread after everything posted before it.
    void post(Task task);
    bool isCurrentThread() const;
    // Only on the port thread.
    SerialLink &link() { return *link_; }

private:
    void serve();
    void runPostedTasks();

    SerialLink *link_;
    QObject *wakeUp_;
    std::unique_ptr<QThread> thread_;
    // Tasks cross threads through this queue rather than inside Qt's events,
    // so the hand-over is plain to see for ThreadSanitizer as well.
    std::mutex tasksMutex_;
    std::vector<Task> tasks_;
};

} // namespace IMUserial
