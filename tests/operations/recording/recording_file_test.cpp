// SPDX-License-Identifier: GPL-3.0-or-later
// A recording read back whole from its table or its folder, or refused naming
// the file and, where a line is at fault, the line.
#include "recording/csv_format.h"
#include "recording/recording_file.h"

#include "recording/killed_recording.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace recording;

namespace {

void write(const QString &path, const std::string &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

// The recorded fields, padding left out.
bool same(const SampleRecord &a, const SampleRecord &b)
{
    return std::memcmp(&a, &b, offsetof(SampleRecord, missedBefore) + sizeof a.missedBefore) == 0;
}

} // namespace

TEST(RecordingFile, RefusesWhatIsNoWholeRecordingNamingTheFileAndTheLine)
{
    QTemporaryDir temp;
    const std::string header = csv::sampleHeader(QDateTime::currentDateTime());
    std::string rows = header;
    for (std::uint64_t i = 0; i < 3; ++i)
        csv::appendRow(rows, SampleRecord{i, 0.005 * double(i), {}, 0});
    std::string renamed = header;
    renamed.replace(renamed.find("gyr_x"), 5, "gyro_x");
    Recorder live;
    live.start();
    live.recordSample({});
    QDir().mkpath(temp.filePath("holiday-photos"));

    const struct
    {
        QString path;
        std::optional<std::string> bytes; // the file's, unless it is a folder or missing
        QString expected;
    } cases[] = {
        {"other.csv", "time,ax,ay,az\n0.01,1,2,3\n", "line 1: not a table this tool exported"},
        {"cut.csv", rows.substr(0, rows.size() - 3), "line 4: the line is cut off"},
        {"header.csv", renamed + rows.substr(header.size()), "line 1: not a table"},
        {"garbage.csv", header + std::string("\x00\xff\x13,\x80\n", 6), "line 2: 2 fields"},
        {"binary.csv", std::string("\x89PNG\r\n\x1a\n\x00\x00", 10), "line 1: not a table"},
        {"empty.csv", "", "the file is empty"},
        {"missing.csv", {}, "cannot read"},
        {"holiday-photos", {}, "not a recording folder"},
        {live.spillFolder(), {}, "its recording program still runs"},
    };
    for (const auto &c : cases) {
        const QString path = QDir(temp.path()).filePath(c.path); // an absolute one stays
        if (c.bytes)
            write(path, *c.bytes);
        const OpenResult opened = openRecording(path);
        EXPECT_FALSE(opened.recording) << c.path.toStdString();
        EXPECT_TRUE(opened.error.contains(QDir(path).dirName()) &&
                    opened.error.contains(c.expected))
            << opened.error.toStdString();
    }
}

// What the recorder spilled, as a killed program leaves it, and the table the
// export writes of the same recording read back to the same records.
TEST(RecordingFile, ReadsARecordingBackExactlyFromItsTableAndFromItsFolder)
{
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    Recorder recorder;
    recorder.start();
    const std::size_t samples = 3000; // more than one batch
    IMUserial::sensor_data sample{};
    for (std::size_t i = 0; i < samples; ++i) {
        sample.gyr = {0.1f * float(i), -1.0f / float(i + 1), 3e-7f};
        recorder.recordSample(sample, i % 5 == 0);
    }
    recorder.stop();
    qunsetenv("TMPDIR");
    RecordingSnapshot snapshot = recorder.snapshot();
    std::vector<SampleRecord> written(samples);
    ASSERT_EQ(snapshot.samples.read(written.data(), written.size()), written.size());
    const QString spilled = killed_recording::waitForSpill(temp.path(), qint64(samples));
    ASSERT_FALSE(spilled.isEmpty()) << "the recorder wrote no spill file";
    const QString left = temp.filePath("orvik-imu-recording-left");
    QDir().mkpath(left);
    for (const char *file : {kStartedFile, kSamplesFile})
        ASSERT_TRUE(QFile::copy(spilled + '/' + file, left + '/' + file));
    std::string table = csv::sampleHeader(snapshot.started);
    for (const SampleRecord &record : written)
        csv::appendRow(table, record);
    write(temp.filePath("run.csv"), table);

    for (const QString &path : {temp.filePath("run.csv"), left}) {
        const OpenResult opened = openRecording(path);
        ASSERT_TRUE(opened.recording) << opened.error.toStdString();
        EXPECT_EQ(opened.recording->name, QFileInfo(path).fileName());
        EXPECT_EQ(opened.recording->started, snapshot.started);
        EXPECT_TRUE(opened.recording->damage.isEmpty());
        const std::vector<SampleRecord> &read = opened.recording->samples;
        EXPECT_TRUE(std::equal(read.begin(), read.end(), written.begin(), written.end(), same))
            << path.toStdString();
    }
}
