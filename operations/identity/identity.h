// SPDX-License-Identifier: GPL-3.0-or-later
// The module's identity as the window reads and writes it.
#pragma once

#include "imuserial.h"

#include <QString>

namespace identity {

// "major.minor.patch" from the three version bytes, each 0 to 255.
QString versionText(const char (&bytes)[IMUserial::VERSION_SIZE]);

// The serial number: the bytes before the first zero byte (all 32 when there
// is none), as Latin-1. A 0xFF byte ends it too: no serial number holds one,
// and a buffer prefilled with it shows where a read that wrote no terminator
// stopped.
QString serialNumberText(const char (&bytes)[IMUserial::SN_SIZE]);

// Nine characters, each an upper-case letter A-Z or a digit, nothing else.
bool isValidSerialNumber(const QString &text);

} // namespace identity
