// SPDX-License-Identifier: GPL-3.0-or-later
// The flasher's machine-readable progress lines, "progress <phase> <done>
// <total>" on its standard output, among free-text lines.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace firmware {

// The stages of an upgrade the operator is shown. The flasher reports erase,
// write, verify and leave; converting the image happens before it runs.
enum class FirmwarePhase
{
    Convert,
    Erase,
    Write,
    Verify,
    Leave,
};

struct FlashProgress
{
    FirmwarePhase phase;
    qint64 done;  // bytes (erase: of the pages), or 0/1 for leave
    qint64 total; // at least `done`
};

// One line without or with its line end: exactly "progress", a phase word
// ("erase", "write", "verify", "leave") and two decimal counts, separated by
// single spaces, done not above total. Anything else is free text: nullopt.
std::optional<FlashProgress> parseProgressLine(QByteArrayView line);

// The phase in words for the operator ("Erasing").
QString firmwarePhaseText(FirmwarePhase phase);

} // namespace firmware
