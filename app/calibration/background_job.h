// SPDX-License-Identifier: GPL-3.0-or-later
// Work too long for the GUI thread (a fit, the check of a stream), run on a
// thread of its own. The result crosses back under a mutex and `finished`
// follows on the GUI thread; a result discarded before it arrives is dropped.
// start(), discard() and take() are called on the GUI thread.
#pragma once

#include <QObject>

#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace calibration {

class JobSignals : public QObject
{
    Q_OBJECT

signals:
    void finished();
};

template <class Result> class BackgroundJob : public JobSignals
{
public:
    ~BackgroundJob() override { wait(); }

    void start(std::function<Result()> work)
    {
        wait();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            result_.reset();
            discarded_ = false;
        }
        thread_ = std::thread([this, work = std::move(work)] {
            Result result = work();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!discarded_)
                    result_ = std::move(result);
            }
            QMetaObject::invokeMethod(this, &JobSignals::finished, Qt::QueuedConnection);
        });
    }

    void discard()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        discarded_ = true;
        result_.reset();
    }

    // The result, once, after `finished`; empty when discarded.
    std::optional<Result> take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(result_, std::nullopt);
    }

private:
    void wait()
    {
        if (thread_.joinable())
            thread_.join();
    }

    std::mutex mutex_;
    std::optional<Result> result_;
    bool discarded_ = false;
    std::thread thread_;
};

} // namespace calibration
