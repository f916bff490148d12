// What the display and rate combo boxes select: the tables from combo text to
// the modes and codes the window and the module use.
#pragma once

#include "imuserial.h"

#include <QString>

namespace displaymodes {

// Message display modes 1 to 7: Angle, Gyr, Acc, Mag, FreeAcc, Quaternion,
// Temperature. Unknown text selects Angle.
int messageModeFor(const QString &comboText);
QString messageFormatFor(int messageMode);

// Graph display modes 1 to 5: Angle, Gyr, Acc, Mag, FreeAcc. Unknown text
// selects Angle.
int graphModeFor(const QString &comboText);

// The module's rate code for a rate text ("200" to "1"); unknown text gives
// the 100 Hz code.
IMUserial::DATARATE dataRateFor(const QString &comboText);

} // namespace displaymodes
