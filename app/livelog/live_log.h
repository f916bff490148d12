// SPDX-License-Identifier: GPL-3.0-or-later
// The message log: lines from every thread, appended in batches on the GUI
// thread, on every third display tick while those run, else by a timer of
// its own; with their time stamps when the form asks for them. While nobody
// can see the log its batches are stamped as usual and wait, at most as many
// lines as it keeps, until it is seen again: it then reads as if they had
// been appended all along, and no text was laid out unseen.
#pragma once

#include "log_queue.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

class CodeEditor;
class QCheckBox;

namespace live {
class ViewVisibility;
}

namespace livelog {

class LiveLog : public QObject
{
    Q_OBJECT

public:
    // `displayTick` is the read-outs' refresh; `lastStamp` receives the time
    // of every stamped batch.
    LiveLog(CodeEditor &view, QCheckBox &showTime, QTimer &displayTick, QDateTime &lastStamp,
            QObject *parent);

    // Any thread.
    void post(const QString &line);
    // Appends every line posted so far now, seen or not.
    void flush();
    void append(const QStringList &lines);
    // The log and the lines on their way keep at most `lines` lines.
    void setCapacity(int lines);
    void clear();
    void scrollToEnd();

private:
    void scheduleFlush();
    void flushOnTick();
    void flushWhenSeen();
    // The stamp of a batch taken now, or nothing when time is not shown.
    QString stampNow();
    void hold(const QStringList &lines);
    void keepHeldWithinCapacity();

    static constexpr int kTicksPerFlush = 3;

    CodeEditor &view_;
    QCheckBox &showTime_;
    QTimer &displayTick_;
    QDateTime &lastStamp_;
    live::ViewVisibility *visibility_;
    LogQueue queue_;
    // Stamped lines waiting for the log to be seen.
    QStringList held_;
    qsizetype capacity_ = 0;
    int ticksSinceFlush_ = 0;
    QTimer flushTimer_;
};

} // namespace livelog
