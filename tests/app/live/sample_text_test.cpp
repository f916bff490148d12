// SPDX-License-Identifier: GPL-3.0-or-later
#include "live/sample_text.h"
#include "stream/display_modes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

IMUserial::sensor_data sampleWithDistinctFields()
{
    IMUserial::sensor_data s{};
    s.gyr = {1.5f, -2.25f, 3};
    s.acc = {0.1f, 0.2f, 9.81f};
    s.mag = {-40, 12.5f, 30};
    s.free_acc = {0.12345f, -0.5f, 0};
    s.angle = {1.5f, -20.25f, 100};
    s.quat = {1, 0, -0.5f, 0.25f};
    s.temp = 36.6f;
    return s;
}

} // namespace

using stream::DisplayMode;

TEST(SampleLine, EachModeFormatsItsFieldsPaddedToEightCharacters)
{
    const IMUserial::sensor_data s = sampleWithDistinctFields();
    const struct
    {
        int mode;
        const char *line;
    } cases[] = {
        {1, "AgnleX: 1.50     AgnleY: -20.25   AgnleZ: 100.00  "},
        {2, "GyrX: 1.50     GyrY: -2.25    GyrZ: 3.00    "},
        {3, "AccX: 0.10     AccY: 0.20     AccZ: 9.81    "},
        {4, "MagX: -40.00   MagY: 12.50    MagZ: 30.00   "},
        {5, "FreeAccX: 0.1235   FreeAccY: -0.5000  FreeAccZ: 0.0000  "},
        {6, "Qw: 1.00     Qx: 0.00     Qy: -0.50    Qz: 0.25    "},
        {7, "Temperature: 36.60   "},
        {0, "AgnleX: 1.50     AgnleY: -20.25   AgnleZ: 100.00  "},
        {8, "AgnleX: 1.50     AgnleY: -20.25   AgnleZ: 100.00  "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(live::sampleLine(DisplayMode(c.mode), s), c.line) << "mode " << c.mode;
}

TEST(SampleLine, LongValuesAreNeverCut)
{
    IMUserial::sensor_data s{};
    s.angle = {-123456.75f, 0, 0};
    EXPECT_EQ(live::sampleLine(DisplayMode::Angle, s),
              "AgnleX: -123456.75 AgnleY: 0.00     AgnleZ: 0.00    ");
}

// The line is built without Qt's number formatting; it must still read exactly
// as QString::number and QString::arg would write it, for every float.
TEST(SampleLine, ReadsAsQtFormattingWouldForEveryKindOfValue)
{
    const auto reference = [](float x, float y, float z, int decimals) {
        QString line =
            stream::messageFormatFor(decimals == 4 ? DisplayMode::FreeAcc : DisplayMode::Angle);
        for (const float v : {x, y, z})
            line = line.arg(QString::number(double(v), 'f', decimals), -8, QChar(' '));
        return line;
    };
    std::vector<float> values = {0.125f,
                                 -0.125f,
                                 0.375f,
                                 2.5f,
                                 1.00005f,
                                 -0.00005f,
                                 0.0f,
                                 -0.0f,
                                 -0.001f,
                                 std::numeric_limits<float>::quiet_NaN(),
                                 -std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min()};
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t bits = random();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
        values.push_back(std::ldexp(float(int(random() % 20001) - 10000), -int(random() % 12)));
    }
    for (std::size_t i = 0; i + 2 < values.size(); i += 3) {
        IMUserial::sensor_data s{};
        s.angle = {values[i], values[i + 1], values[i + 2]};
        s.free_acc = s.angle;
        ASSERT_EQ(live::sampleLine(DisplayMode::Angle, s),
                  reference(values[i], values[i + 1], values[i + 2], 2));
        ASSERT_EQ(live::sampleLine(DisplayMode::FreeAcc, s),
                  reference(values[i], values[i + 1], values[i + 2], 4));
    }
}

TEST(DisplayModes, ComboTextsSelectModesAndRateCodes)
{
    const char *messageTexts[] = {"Angle",   "Gyr",        "Acc",        "Mag",
                                  "FreeAcc", "Quaternion", "Temperature"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(int(stream::messageModeFor(messageTexts[i])), i + 1);
    EXPECT_EQ(stream::messageModeFor("angle"), DisplayMode::Angle);
    EXPECT_EQ(stream::messageModeFor(""), DisplayMode::Angle);

    EXPECT_EQ(stream::graphModeFor("FreeAcc"), DisplayMode::FreeAcc);
    EXPECT_EQ(stream::graphModeFor("Quaternion"), DisplayMode::Angle) << "not a chart quantity";
    EXPECT_EQ(stream::graphModeFor("Temperature"), DisplayMode::Angle);

    const struct
    {
        const char *text;
        IMUserial::DATARATE code;
    } rates[] = {{"200", IMUserial::DATARATE_200HZ}, {"100", IMUserial::DATARATE_100HZ},
                 {"50", IMUserial::DATARATE_50HZ},   {"10", IMUserial::DATARATE_10HZ},
                 {"5", IMUserial::DATARATE_5HZ},     {"1", IMUserial::DATARATE_1HZ},
                 {"123", IMUserial::DATARATE_100HZ}, {" 50", IMUserial::DATARATE_100HZ},
                 {"", IMUserial::DATARATE_100HZ}};
    for (const auto &rate : rates)
        EXPECT_EQ(stream::dataRateFor(rate.text), rate.code) << rate.text;
}

TEST(PlottedTriple, GraphModesPickTheirQuantity)
{
    const IMUserial::sensor_data s = sampleWithDistinctFields();
    EXPECT_EQ(live::plottedTriple(DisplayMode(1), s).y, s.angle.y);
    EXPECT_EQ(live::plottedTriple(DisplayMode(2), s).z, s.gyr.z);
    EXPECT_EQ(live::plottedTriple(DisplayMode(3), s).z, s.acc.z);
    EXPECT_EQ(live::plottedTriple(DisplayMode(4), s).x, s.mag.x);
    EXPECT_EQ(live::plottedTriple(DisplayMode(5), s).x, s.free_acc.x);
    EXPECT_EQ(live::plottedTriple(DisplayMode(6), s).x, s.angle.x);
}
