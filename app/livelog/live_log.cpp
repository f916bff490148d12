// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_log.h"

#include "code_editor.h"
#include "live/display_tick.h"
#include "live/view_visibility.h"

#include <QCheckBox>
#include <QScrollBar>

namespace livelog {

LiveLog::LiveLog(CodeEditor &view, QCheckBox &showTime, QTimer &displayTick, QDateTime &lastStamp,
                 QObject *parent)
    : QObject(parent), view_(view), showTime_(showTime), displayTick_(displayTick),
      lastStamp_(lastStamp), visibility_(new live::ViewVisibility(view))
{
    // A streaming log then scrolls about 20 times a second, which still reads
    // as live, at a fraction of the cost of following every refresh tick:
    // each scroll of a full log lays out and paints its whole view again.
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kTicksPerFlush * live::kDisplayTickMs);
    connect(&flushTimer_, &QTimer::timeout, this, &LiveLog::flushWhenSeen);
    connect(&displayTick_, &QTimer::timeout, this, &LiveLog::flushOnTick);
    connect(visibility_, &live::ViewVisibility::seenAgain, this, &LiveLog::flush);
}

void LiveLog::post(const QString &line)
{
    if (queue_.push(line))
        QMetaObject::invokeMethod(this, &LiveLog::scheduleFlush, Qt::QueuedConnection);
}

void LiveLog::flush()
{
    if (!held_.isEmpty())
        view_.appendKeepingGlyphs(held_.join('\n'));
    held_.clear();
    append(queue_.takeAll());
}

void LiveLog::flushWhenSeen()
{
    if (visibility_->isSeen())
        flush();
    else
        hold(queue_.takeAll());
}

// While the display ticks run, the log is appended on every few ticks, in the
// pass of the event loop that paints the tick anyway; a flush of its own would
// cost the window a paint pass of its own.
void LiveLog::scheduleFlush()
{
    if (!displayTick_.isActive())
        flushTimer_.start();
}

void LiveLog::flushOnTick()
{
    if (++ticksSinceFlush_ < kTicksPerFlush)
        return;
    ticksSinceFlush_ = 0;
    flushWhenSeen();
}

QString LiveLog::stampNow()
{
    if (!showTime_.isChecked())
        return {};
    lastStamp_ = QDateTime::currentDateTime();
    return "[" + lastStamp_.toString("hh:mm:ss.zzz") + "]: ";
}

void LiveLog::append(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    const QString stamp = stampNow();
    view_.appendKeepingGlyphs(stamp + lines.join('\n' + stamp));
}

void LiveLog::hold(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    const QString stamp = stampNow();
    for (const QString &line : lines)
        held_.append(stamp + line);
    keepHeldWithinCapacity();
}

void LiveLog::keepHeldWithinCapacity()
{
    if (capacity_ > 0 && held_.size() > capacity_)
        held_.remove(0, held_.size() - capacity_);
}

void LiveLog::setCapacity(int lines)
{
    view_.document()->setMaximumBlockCount(lines);
    queue_.setCapacity(lines);
    capacity_ = lines;
    keepHeldWithinCapacity();
}

void LiveLog::clear()
{
    view_.clear();
    held_.clear();
}

void LiveLog::scrollToEnd()
{
    QScrollBar *bar = view_.verticalScrollBar();
    bar->setValue(bar->maximum());
}

} // namespace livelog
