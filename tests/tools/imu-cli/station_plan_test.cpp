// SPDX-License-Identifier: GPL-3.0-or-later
// What the station decides before it touches a module: which units it takes,
// which it refuses and why, and the serial number each is to store.
#include "station_plan.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

TEST(StationPlan, APatternHoldsOneSequenceFieldPaddedAsAsked)
{
    const struct
    {
        const char *pattern;
        int sequence;
        std::optional<QString> serialNumber;
    } cases[] = {
        {"ORV{seq:06}", 7, "ORV000007"}, {"ORV{seq:6}", 12, "ORV000012"},
        {"A{seq}Z", 42, "A42Z"},         {"{seq:09}", 1, "000000001"},
        {"ORV", 1, std::nullopt},        {"ORV{seq}{seq}", 1, std::nullopt},
        {"ORV{seq:0}", 1, std::nullopt}, {"ORV{seq:10}", 1, std::nullopt},
        {"OR{V}{seq}", 1, std::nullopt},
    };
    for (const auto &each : cases)
        EXPECT_EQ(serialNumberFromPattern(each.pattern, each.sequence), each.serialNumber)
            << each.pattern;
}

TEST(StationPlan, AMapIsReadWholeOrRefusedNamingItsLine)
{
    const SerialMap read = parseSerialMap("uid,serial_number\r\n"
                                          "00aa01,ORV000001\r\n"
                                          "\n"
                                          "\"00AA02\", \"ORV000002\"\n",
                                          "tray.csv");
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.serialNumberOf.value("00AA01"), "ORV000001");
    EXPECT_EQ(read.serialNumberOf.value("00AA02"), "ORV000002");

    const struct
    {
        const char *text;
        const char *error;
    } refused[] = {
        {"00AA01,ORV000001\n00AA02,orv000002\n", "tray.csv: line 2: \"orv000002\" is no serial"},
        {"00AA01,ORV000001\n00aa01,ORV000002\n", "tray.csv: line 2: unit ID 00AA01 or serial"},
        {"00AA01,ORV000001\n00AA02,ORV000001\n", "tray.csv: line 2: unit ID 00AA02 or serial"},
        {"00AA01,ORV000001,extra\n", "tray.csv: line 1: two fields wanted"},
        {",ORV000001\n", "tray.csv: line 1: no unit ID"},
    };
    for (const auto &each : refused)
        EXPECT_TRUE(parseSerialMap(each.text, "tray.csv").error.startsWith(each.error))
            << each.text << " -> " << parseSerialMap(each.text, "tray.csv").error.toStdString();
}

TEST(StationPlan, UnitsAreTakenByUnitIdAndNumberedInItsOrder)
{
    const QList<FoundModule> found{{"/dev/ttyACM1", "00cc"},
                                   {"/dev/ttyACM0", "00AA"},
                                   {"/dev/ttyACM2", "00BB"},
                                   {"/dev/ttyACM3", "00BB"},
                                   {"/dev/pts/4", ""}};
    StationOptions options;
    options.serialPattern = "ORV{seq:06}";
    const StationPlan plan = planStation(found, options, nullptr);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.units.size(), 2);
    EXPECT_EQ(plan.units[0].port, "/dev/ttyACM0");
    EXPECT_EQ(plan.units[0].serialNumber, "ORV000001");
    EXPECT_EQ(plan.units[1].unitId, "00CC");
    EXPECT_EQ(plan.units[1].serialNumber, "ORV000002");
    ASSERT_EQ(plan.refused.size(), 3);
    EXPECT_EQ(plan.refused[0].reason,
              "two modules report the unit ID 00BB: clones or a fault; neither was touched");
    EXPECT_EQ(plan.refused[1].port, "/dev/ttyACM3");
    EXPECT_TRUE(plan.refused[2].reason.startsWith("/dev/pts/4 reports no unit ID"));

    options.serialPattern = "ORV{seq:07}";
    EXPECT_TRUE(planStation(found, options, nullptr).error.contains("gives \"ORV0000001\""));

    options.serialPattern.clear();
    options.ports = {"/dev/ttyACM1", "/dev/ttyACM9"};
    options.serialMap = "tray.csv";
    const SerialMap map = parseSerialMap("00AA,ORV000010\n", "tray.csv");
    const StationPlan mapped = planStation(found, options, &map);
    EXPECT_TRUE(mapped.units.isEmpty());
    ASSERT_EQ(mapped.refused.size(), 2);
    EXPECT_EQ(mapped.refused[0].reason, "no module found at /dev/ttyACM9");
    EXPECT_EQ(mapped.refused[1].reason, "no serial number for unit ID 00CC in tray.csv");
}

} // namespace
} // namespace cli
