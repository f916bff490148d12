#include "displaymodes.h"

#include <array>

namespace displaymodes {

namespace {

struct MessageMode
{
    const char *comboText;
    const char *format;
};

// Index + 1 is the mode number.
constexpr std::array<MessageMode, 7> messageModes{{
    {"Angle", "AgnleX: %1 AgnleY: %2 AgnleZ: %3"},
    {"Gyr", "GyrX: %1 GyrY: %2 GyrZ: %3"},
    {"Acc", "AccX: %1 AccY: %2 AccZ: %3"},
    {"Mag", "MagX: %1 MagY: %2 MagZ: %3"},
    {"FreeAcc", "FreeAccX: %1 FreeAccY: %2 FreeAccZ: %3"},
    {"Quaternion", "Qw: %1 Qx: %2 Qy: %3 Qz: %4"},
    {"Temperature", "Temperature: %1"},
}};

constexpr int graphModeCount = 5; // the first five message modes

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

int modeNumber(const QString &comboText, int count)
{
    for (int i = 0; i < count; ++i) {
        if (comboText == QLatin1String(messageModes[i].comboText))
            return i + 1;
    }
    return 1;
}

} // namespace

int messageModeFor(const QString &comboText)
{
    return modeNumber(comboText, static_cast<int>(messageModes.size()));
}

QString messageFormatFor(int messageMode)
{
    const bool known = messageMode >= 1 && messageMode <= static_cast<int>(messageModes.size());
    return QLatin1String(messageModes[known ? messageMode - 1 : 0].format);
}

int graphModeFor(const QString &comboText)
{
    return modeNumber(comboText, graphModeCount);
}

IMUserial::DATARATE dataRateFor(const QString &comboText)
{
    for (const RateCode &rate : rateCodes) {
        if (comboText == QLatin1String(rate.comboText))
            return rate.code;
    }
    return IMUserial::DATARATE_100HZ;
}

} // namespace displaymodes
