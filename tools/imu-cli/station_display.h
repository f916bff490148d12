// SPDX-License-Identifier: GPL-3.0-or-later
// The station's progress on standard error. On a terminal, one line per unit
// rewritten in place (its step and how far it is); otherwise a plain line
// each time a unit begins a step or ends, which a log keeps readably.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

namespace cli {

class StationDisplay
{
public:
    using Writer = std::function<void(const QByteArray &)>;

    // One line for each of `units`, in this order.
    StationDisplay(const QStringList &units, bool terminal, Writer write);

    // Any thread. `state` is the unit's line after its name; a new step
    // (`stepBegins`) is always shown, progress within a step at most every
    // 100 ms on a terminal and never in plain lines.
    void show(int unit, const QString &state, bool stepBegins);

private:
    void redraw();

    QStringList units_;
    QStringList states_;
    bool terminal_;
    Writer write_;
    std::mutex mutex_;
    bool drawn_ = false;
    QElapsedTimer sinceDrawn_;
};

} // namespace cli
