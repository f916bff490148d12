// SPDX-License-Identifier: GPL-3.0-or-later
#include "stream/display_modes.h"

#include <array>

namespace stream {

namespace {

struct MessageMode
{
    DisplayMode mode;
    const char *comboText;
    const char *format;
};

constexpr std::array<MessageMode, 7> messageModes{{
    {DisplayMode::Angle, "Angle", "AgnleX: %1 AgnleY: %2 AgnleZ: %3"},
    {DisplayMode::Gyr, "Gyr", "GyrX: %1 GyrY: %2 GyrZ: %3"},
    {DisplayMode::Acc, "Acc", "AccX: %1 AccY: %2 AccZ: %3"},
    {DisplayMode::Mag, "Mag", "MagX: %1 MagY: %2 MagZ: %3"},
    {DisplayMode::FreeAcc, "FreeAcc", "FreeAccX: %1 FreeAccY: %2 FreeAccZ: %3"},
    {DisplayMode::Quaternion, "Quaternion", "Qw: %1 Qx: %2 Qy: %3 Qz: %4"},
    {DisplayMode::Temperature, "Temperature", "Temperature: %1"},
}};

struct RateCode
{
    const char *comboText;
    IMUserial::DATARATE code;
};

constexpr std::array<RateCode, 6> rateCodes{{
    {"200", IMUserial::DATARATE_200HZ},
    {"100", IMUserial::DATARATE_100HZ},
    {"50", IMUserial::DATARATE_50HZ},
    {"10", IMUserial::DATARATE_10HZ},
    {"5", IMUserial::DATARATE_5HZ},
    {"1", IMUserial::DATARATE_1HZ},
}};

DisplayMode modeNamed(const QString &comboText, DisplayMode last)
{
    for (const MessageMode &entry : messageModes) {
        if (entry.mode > last)
            break;
        if (comboText == QLatin1String(entry.comboText))
            return entry.mode;
    }
    return DisplayMode::Angle;
}

const MessageMode &entryFor(DisplayMode mode)
{
    for (const MessageMode &entry : messageModes) {
        if (entry.mode == mode)
            return entry;
    }
    return messageModes.front();
}

} // namespace

DisplayMode messageModeFor(const QString &comboText)
{
    return modeNamed(comboText, messageModes.back().mode);
}

QString messageFormatFor(DisplayMode messageMode)
{
    return QLatin1String(messageTemplateFor(messageMode));
}

const char *messageTemplateFor(DisplayMode messageMode)
{
    return entryFor(messageMode).format;
}

DisplayMode graphModeFor(const QString &comboText)
{
    return modeNamed(comboText, kLastGraphMode);
}

IMUserial::DATARATE dataRateFor(const QString &comboText)
{
    for (const RateCode &rate : rateCodes) {
        if (comboText == QLatin1String(rate.comboText))
            return rate.code;
    }
    return IMUserial::DATARATE_100HZ;
}

double samplesPerSecond(IMUserial::DATARATE code)
{
    for (const RateCode &rate : rateCodes) {
        if (rate.code == code)
            return QString::fromLatin1(rate.comboText).toDouble();
    }
    return 100;
}

} // namespace stream
