#include "live_log.h"

#include "code_editor.h"
#include "live/display_tick.h"

#include <QCheckBox>
#include <QScrollBar>

namespace livelog {

LiveLog::LiveLog(CodeEditor &view, QCheckBox &showTime, QTimer &displayTick, QDateTime &lastStamp,
                 QObject *parent)
    : QObject(parent), view_(view), showTime_(showTime), displayTick_(displayTick),
      lastStamp_(lastStamp)
{
    // A streaming log then scrolls about 20 times a second, which still reads
    // as live, at a fraction of the cost of following every refresh tick:
    // each scroll of a full log lays out and paints its whole view again.
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kTicksPerFlush * live::kDisplayTickMs);
    connect(&flushTimer_, &QTimer::timeout, this, &LiveLog::flush);
    connect(&displayTick_, &QTimer::timeout, this, &LiveLog::flushOnTick);
}

void LiveLog::post(const QString &line)
{
    if (queue_.push(line))
        QMetaObject::invokeMethod(this, &LiveLog::scheduleFlush, Qt::QueuedConnection);
}

void LiveLog::flush()
{
    append(queue_.takeAll());
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
    flush();
}

void LiveLog::append(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    if (!showTime_.isChecked()) {
        view_.appendKeepingGlyphs(lines.join('\n'));
        return;
    }
    lastStamp_ = QDateTime::currentDateTime();
    const QString stamp = "[" + lastStamp_.toString("hh:mm:ss.zzz") + "]: ";
    view_.appendKeepingGlyphs(stamp + lines.join('\n' + stamp));
}

void LiveLog::setCapacity(int lines)
{
    view_.document()->setMaximumBlockCount(lines);
    queue_.setCapacity(lines);
}

void LiveLog::clear()
{
    view_.clear();
}

void LiveLog::scrollToEnd()
{
    QScrollBar *bar = view_.verticalScrollBar();
    bar->setValue(bar->maximum());
}

} // namespace livelog
