// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_display.h"

namespace cli {

namespace {

constexpr int kLeastRedrawMs = 100;

} // namespace

StationDisplay::StationDisplay(const QStringList &units, bool terminal, Writer write)
    : units_(units), terminal_(terminal), write_(std::move(write))
{
    for (int i = 0; i < units_.size(); ++i)
        states_.append(QStringLiteral("waiting"));
}

void StationDisplay::show(int unit, const QString &state, bool stepBegins)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (unit < 0 || unit >= units_.size())
        return;
    states_[unit] = state;
    if (!terminal_) {
        if (stepBegins)
            write_((units_[unit] + "  " + state + '\n').toUtf8());
        return;
    }
    if (stepBegins || !drawn_ || sinceDrawn_.elapsed() >= kLeastRedrawMs)
        redraw();
}

// Moves up over the lines drawn before and writes every line again.
void StationDisplay::redraw()
{
    QByteArray text;
    if (drawn_)
        text += "\033[" + QByteArray::number(units_.size()) + "A";
    for (int i = 0; i < units_.size(); ++i)
        text += "\r\033[K" + (units_[i] + "  " + states_[i]).toUtf8() + '\n';
    write_(text);
    drawn_ = true;
    sinceDrawn_.start();
}

} // namespace cli
