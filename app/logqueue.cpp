#include "logqueue.h"

using Lock = std::lock_guard<std::mutex>;

void LogQueue::setCapacity(int maxLines)
{
    Lock lock(mutex);
    capacity = qMax(1, maxLines);
    if (lines.size() > capacity)
        lines.remove(0, lines.size() - capacity);
}

bool LogQueue::push(const QString &line)
{
    Lock lock(mutex);
    const bool wasEmpty = lines.isEmpty();
    if (lines.size() >= capacity)
        lines.removeFirst();
    lines.append(line);
    return wasEmpty;
}

QStringList LogQueue::takeAll()
{
    QStringList taken;
    Lock lock(mutex);
    taken.swap(lines);
    return taken;
}
