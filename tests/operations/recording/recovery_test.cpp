// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings left behind: their files checked record by record, and found
// only when their program is gone.
#include "recording/recovery.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace recording;

namespace {

QByteArray records(std::initializer_list<std::pair<std::uint64_t, double>> stamps)
{
    QByteArray bytes;
    for (const auto &[index, seconds] : stamps) {
        SampleRecord record{};
        record.index = index;
        record.seconds = seconds;
        bytes.append(reinterpret_cast<const char *>(&record), sizeof record);
    }
    return bytes;
}

SpillExtent extentOf(QByteArray bytes)
{
    bytes.append('\0'); // fmemopen takes no empty buffer
    std::FILE *spill = fmemopen(bytes.data(), std::size_t(bytes.size() - 1), "rb");
    const SpillExtent extent = checkSpill(spill, sizeof(SampleRecord));
    std::fclose(spill);
    return extent;
}

} // namespace

TEST(SpillCheck, KeepsTheWholeRecordsThatFollowOneAnotherAndCutsTheRest)
{
    const double nan = std::nan("");
    const struct
    {
        const char *what;
        QByteArray bytes;
        std::uint64_t records;
        std::uint64_t cutBytes;
        bool malformed;
    } cases[] = {
        {"empty", {}, 0, 0, false},
        {"whole", records({{0, 0}, {1, 0.01}, {2, 0.02}}), 3, 0, false},
        {"a gap of dropped records", records({{0, 0}, {7, 0.5}}), 2, 0, false},
        {"half a record at the end", records({{0, 0}, {1, 0.01}}) + QByteArray(37, 'x'), 2, 37,
         false},
        {"an index going back", records({{0, 0}, {1, 0.01}, {1, 0.02}, {3, 0.03}}), 2,
         2 * sizeof(SampleRecord), true},
        {"time going back", records({{0, 0.5}, {1, 0.4}}), 1, sizeof(SampleRecord), true},
        {"a time that is not a number", records({{0, 0}, {1, nan}}) + QByteArray(5, 'x'), 1,
         sizeof(SampleRecord) + 5, true},
    };
    for (const auto &c : cases) {
        const SpillExtent extent = extentOf(c.bytes);
        EXPECT_EQ(extent.records, c.records) << c.what;
        EXPECT_EQ(extent.cutBytes, c.cutBytes) << c.what;
        EXPECT_EQ(extent.malformed, c.malformed) << c.what;
    }
}

// A folder as a killed program leaves it: no live lock.
QString leftBehind(const QTemporaryDir &temp, const QString &name, const QByteArray &samples)
{
    const QString folder = temp.filePath(name);
    QDir().mkpath(folder);
    QFile started(folder + "/started.txt");
    started.open(QIODevice::WriteOnly);
    started.write("2026-03-09T14:05:06.789+01:00\n");
    if (!samples.isEmpty()) {
        QFile file(folder + "/samples.bin");
        file.open(QIODevice::WriteOnly);
        file.write(samples);
    }
    return folder;
}

TEST(UnsavedRecordings, AreFoundWhenTheirProgramIsGoneAndTheirDamageIsTold)
{
    QTemporaryDir temp;
    const QString left =
        leftBehind(temp, "orvik-imu-recording-abc123", records({{0, 0}, {1, 0.01}}) + "half");
    leftBehind(temp, "orvik-imu-recording-empty", {});

    auto found = UnsavedRecording::findAll(temp.path());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_FALSE(QFile::exists(temp.filePath("orvik-imu-recording-empty"))) << "nothing in it";
    EXPECT_EQ(found[0]->offerText(),
              "A recording of 2 samples from 2026-03-09 14:05:06 was not saved.");
    EXPECT_EQ(found[0]->started().toString(Qt::ISODateWithMs), "2026-03-09T14:05:06.789+01:00");
    ASSERT_EQ(found[0]->damage().size(), 1);
    EXPECT_TRUE(found[0]->damage()[0].contains("the last 4 bytes"))
        << found[0]->damage()[0].toStdString();
    EXPECT_TRUE(UnsavedRecording::findAll(temp.path()).empty()) << "claimed while it is offered";
    found[0]->release();
    found = UnsavedRecording::findAll(temp.path());
    ASSERT_EQ(found.size(), 1u) << "released: offered again";
    EXPECT_EQ(found[0]->snapshot().samples.size(), 2u);
    EXPECT_TRUE(found[0]->discard());
    EXPECT_FALSE(QFile::exists(left));
}

TEST(UnsavedRecordings, ARecordingThatRunsIsNotOffered)
{
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    Recorder recorder;
    recorder.start();
    recorder.recordSample({});
    recorder.stop();
    EXPECT_TRUE(UnsavedRecording::findAll(temp.path()).empty());
    qunsetenv("TMPDIR");
}
