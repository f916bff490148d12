// SPDX-License-Identifier: GPL-3.0-or-later
// What the display and rate combo boxes select: the tables from combo text to
// the modes and codes the window and the module use.
#pragma once

#include "imuserial.h"

#include <QString>

namespace stream {

// The quantity a log line shows or the chart plots. The numbers are the ones
// the window's integer mode members hold.
enum class DisplayMode
{
    Angle = 1,
    Gyr,
    Acc,
    Mag,
    FreeAcc,
    Quaternion,
    Temperature,
};

// The chart plots the triples up to this one.
constexpr DisplayMode kLastGraphMode = DisplayMode::FreeAcc;

// Message display modes: every DisplayMode. Unknown text selects Angle.
DisplayMode messageModeFor(const QString &comboText);
QString messageFormatFor(DisplayMode messageMode);
// The same template as Latin-1 text that lives as long as the program.
const char *messageTemplateFor(DisplayMode messageMode);

// Graph display modes: Angle to FreeAcc. Unknown text selects Angle.
DisplayMode graphModeFor(const QString &comboText);

// The module's rate code for a rate text ("200" to "1"); unknown text gives
// the 100 Hz code.
IMUserial::DATARATE dataRateFor(const QString &comboText);
// The samples per second a rate code stands for; an unknown code counts as 100.
double samplesPerSecond(IMUserial::DATARATE code);

} // namespace stream
