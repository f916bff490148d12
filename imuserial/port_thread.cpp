// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

#include <future>

namespace IMUserial {

namespace {

// Lives on the port thread and calls `run` for every wake-up event posted to
// it. QObject::event() routes events of user types here.
class WakeUpReceiver : public QObject
{
public:
    explicit WakeUpReceiver(std::function<void()> run) : run_(std::move(run)) {}

protected:
    void customEvent(QEvent *) override { run_(); }

private:
    std::function<void()> run_;
};

} // namespace

PortThread::PortThread(LinkListener &listener)
    : link_(new SerialLink(listener)), wakeUp_(new WakeUpReceiver([this] { runPostedTasks(); })),
      thread_(QThread::create([this] { serve(); }))
{
    thread_->setObjectName(QStringLiteral("imu-serial-port"));
    link_->moveToThread(thread_.get());
    wakeUp_->moveToThread(thread_.get());
    thread_->start();
}

PortThread::~PortThread()
{
    thread_->quit();
    thread_->wait();
    // Pairs with the last unlock in serve(): everything the thread did is
    // visibly done before this object goes away.
    std::lock_guard<std::mutex> lock(tasksMutex_);
}

// The event loop, then the objects living on this thread are deleted here;
// the serial port closes with the link.
void PortThread::serve()
{
    QEventLoop loop;
    loop.exec();
    delete link_;
    delete wakeUp_;
    std::lock_guard<std::mutex> lock(tasksMutex_);
    tasks_.clear();
}

bool PortThread::open(const QString &portName)
{
    std::promise<bool> opened;
    post([&opened, portName](SerialLink &link) { opened.set_value(link.open(portName)); });
    return opened.get_future().get();
}

void PortThread::post(Task task)
{
    {
        std::lock_guard<std::mutex> lock(tasksMutex_);
        tasks_.push_back(std::move(task));
    }
    QCoreApplication::postEvent(wakeUp_, new QEvent(QEvent::User));
}

void PortThread::runPostedTasks()
{
    std::vector<Task> due;
    {
        std::lock_guard<std::mutex> lock(tasksMutex_);
        due.swap(tasks_);
    }
    for (Task &task : due)
        task(*link_);
}

bool PortThread::isCurrentThread() const
{
    return QThread::currentThread() == thread_.get();
}

} // namespace IMUserial
