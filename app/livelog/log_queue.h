// SPDX-License-Identifier: GPL-3.0-or-later
// Lines on their way to the message log. Any thread appends; the GUI thread
// takes them all at once, so a flood of lines costs one event and one append,
// not one each.
#pragma once

#include <QStringList>

#include <mutex>

namespace livelog {

class LogQueue
{
public:
    // The log keeps only this many lines, so the queue never needs more: when
    // the GUI thread falls behind, the oldest waiting lines are dropped.
    void setCapacity(int lines);

    // Returns true when the queue was empty, i.e. the caller should arrange a
    // flush; later lines join the flush already arranged.
    bool push(const QString &line);

    QStringList takeAll();

private:
    std::mutex mutex_;
    QStringList lines_;
    qsizetype capacity_ = 1000;
};

} // namespace livelog
