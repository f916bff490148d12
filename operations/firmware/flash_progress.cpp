// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/flash_progress.h"

#include <QByteArray>
#include <QList>

namespace firmware {

namespace {

std::optional<FirmwarePhase> flasherPhase(QByteArrayView word)
{
    if (word == "erase")
        return FirmwarePhase::Erase;
    if (word == "write")
        return FirmwarePhase::Write;
    if (word == "verify")
        return FirmwarePhase::Verify;
    if (word == "leave")
        return FirmwarePhase::Leave;
    return std::nullopt;
}

// Digits only, no sign or blank, small enough that no count overflows.
std::optional<qint64> count(QByteArrayView digits)
{
    constexpr qsizetype maxDigits = 18;
    if (digits.isEmpty() || digits.size() > maxDigits)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

QByteArrayView withoutLineEnd(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

std::optional<FlashProgress> parseProgressLine(QByteArrayView line)
{
    const QList<QByteArray> words = withoutLineEnd(line).toByteArray().split(' ');
    if (words.size() != 4 || words[0] != "progress")
        return std::nullopt;
    const auto phase = flasherPhase(words[1]);
    const auto done = count(words[2]);
    const auto total = count(words[3]);
    if (!phase || !done || !total || *done > *total)
        return std::nullopt;
    return FlashProgress{*phase, *done, *total};
}

QString firmwarePhaseText(FirmwarePhase phase)
{
    switch (phase) {
    case FirmwarePhase::Convert:
        return QStringLiteral("Converting the image");
    case FirmwarePhase::Erase:
        return QStringLiteral("Erasing");
    case FirmwarePhase::Write:
        return QStringLiteral("Writing");
    case FirmwarePhase::Verify:
        return QStringLiteral("Verifying");
    case FirmwarePhase::Leave:
        return QStringLiteral("Starting the application");
    }
    return {};
}

} // namespace firmware
