// SPDX-License-Identifier: GPL-3.0-or-later
// Reading back the tables the export writes, and refusing anything else.
#include "recording/csv_format.h"
#include "recording/csv_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace recording;

namespace {

const QDateTime kStarted =
    QDateTime::fromString("2026-12-10T09:15:00.250+01:00", Qt::ISODateWithMs);

template <class Payload> Record<Payload> numbered(std::uint64_t index)
{
    Record<Payload> record{index, 0.005 * double(index), {}, std::uint32_t(index % 3)};
    float *values = reinterpret_cast<float *>(&record.data);
    for (std::size_t i = 0; i < sizeof(Payload) / sizeof(float); ++i)
        values[i] = 0.1f * float(index) - 1.7f * float(i);
    return record;
}

template <class Payload> std::string table(const std::string &header, int rows)
{
    std::string text = header;
    for (int i = 0; i < rows; ++i)
        csv::appendRow(text, numbered<Payload>(std::uint64_t(i)));
    return text;
}

template <class Payload> void expectSame(const std::vector<Record<Payload>> &read, int rows)
{
    ASSERT_EQ(read.size(), std::size_t(rows));
    for (int i = 0; i < rows; ++i) {
        const Record<Payload> expected = numbered<Payload>(std::uint64_t(i));
        EXPECT_EQ(read[i].index, expected.index);
        EXPECT_EQ(read[i].seconds, expected.seconds);
        EXPECT_EQ(read[i].missedBefore, expected.missedBefore);
        EXPECT_EQ(std::memcmp(&read[i].data, &expected.data, sizeof(Payload)), 0);
    }
}

// A samples-table row of zeros after the three fields given.
std::string row(const char *index, const char *time, const char *first)
{
    std::string text = std::string(index) + ',' + time + ',' + first;
    for (std::size_t i = 1; i < csv::sampleColumns().size() + 1; ++i)
        text += ",0";
    return text + '\n';
}

TEST(CsvReader, ReadsBothTablesBackExactly)
{
    const csv::ReadResult samples =
        csv::readText(table<IMUserial::sensor_data>(csv::sampleHeader(kStarted), 50));
    ASSERT_TRUE(samples.tables) << samples.error.toStdString();
    EXPECT_EQ(samples.tables->started, kStarted);
    expectSame(samples.tables->samples, 50);

    std::string calibration =
        table<IMUserial::sensor_data_calibration>(csv::calibrationHeader(kStarted), 20);
    for (std::size_t at = calibration.find('\n'); at != std::string::npos;
         at = calibration.find('\n', at + 2))
        calibration.replace(at, 1, "\r\n");
    const csv::ReadResult read = csv::readText(calibration);
    ASSERT_TRUE(read.tables) << read.error.toStdString();
    expectSame(read.tables->calibration, 20);
}

TEST(CsvReader, RefusesWhatItDidNotWriteNamingTheLine)
{
    const std::string header = csv::sampleHeader(kStarted);
    std::string good = table<IMUserial::sensor_data>(header, 3);
    const struct
    {
        std::string text;
        const char *error;
    } cases[] = {
        {"", "the file is empty"},
        {"a,b,c\n1,2,3\n", "line 1: not a table this tool exported"},
        {"index,time [s since yesterday]" + header.substr(header.find("],") + 1), "line 1:"},
        {good.substr(0, good.size() - 9), "line 4: "},
        {good + "5,0.1,x\n", "line 5: 3 fields, 23 expected"},
        {header + row("1", "0.5", "abc"), "line 2: field 3 (angle_x"},
        {header + row("1", "nan", "0"), "line 2: field 2 (time)"},
        {header + row("-1", "0.5", "0"), "line 2: field 1 (index)"},
    };
    for (const auto &c : cases) {
        const csv::ReadResult result = csv::readText(c.text);
        EXPECT_FALSE(result.tables) << c.error;
        EXPECT_TRUE(result.error.startsWith(c.error)) << result.error.toStdString();
    }
}

// Tables of more than a few MiB are read in pieces at once, one per core.
TEST(CsvReader, LargeTablesKeepEveryRowAndTheLineNumbers)
{
    const int rows = 40000;
    const std::string text = table<IMUserial::sensor_data>(csv::sampleHeader(kStarted), rows);
    const csv::ReadResult read = csv::readText(text);
    ASSERT_TRUE(read.tables) << read.error.toStdString();
    expectSame(read.tables->samples, rows);

    std::string damaged = text;
    const std::size_t lineStart = damaged.rfind('\n', damaged.size() - 2 * 200) + 1;
    damaged.insert(lineStart, "x");
    const int line =
        int(std::count(damaged.begin(), damaged.begin() + std::ptrdiff_t(lineStart), '\n')) + 1;
    EXPECT_TRUE(csv::readText(damaged).error.startsWith(QStringLiteral("line %1: ").arg(line)))
        << csv::readText(damaged).error.toStdString();
}

} // namespace
