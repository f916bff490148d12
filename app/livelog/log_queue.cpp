// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_queue.h"

namespace livelog {

using Lock = std::lock_guard<std::mutex>;

void LogQueue::setCapacity(int maxLines)
{
    Lock lock(mutex_);
    capacity_ = qMax(1, maxLines);
    if (lines_.size() > capacity_)
        lines_.remove(0, lines_.size() - capacity_);
}

bool LogQueue::push(const QString &line)
{
    Lock lock(mutex_);
    const bool wasEmpty = lines_.isEmpty();
    if (lines_.size() >= capacity_)
        lines_.removeFirst();
    lines_.append(line);
    return wasEmpty;
}

QStringList LogQueue::takeAll()
{
    QStringList taken;
    Lock lock(mutex_);
    taken.swap(lines_);
    return taken;
}

} // namespace livelog
