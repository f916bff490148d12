// SPDX-License-Identifier: GPL-3.0-or-later
// The recording's tables, their CSV text and the export to files.
#include "recording/csv_export.h"
#include "recording/csv_format.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QDir>
#include <charconv>
#include <clocale>
#include <future>
#include <mutex>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

using namespace recording;

namespace {

IMUserial::sensor_data sampleNumbered(float n)
{
    IMUserial::sensor_data s{};
    s.angle = {n, -n, 0.1f * n};
    s.quat = {1, 0, 0, n};
    s.temp = 24.5f;
    return s;
}

std::vector<SampleRecord> readAll(TableSnapshot<SampleRecord> &table)
{
    std::vector<SampleRecord> records(table.size() + 1);
    std::size_t done = 0;
    while (std::size_t n = table.read(records.data() + done, 3))
        done += n;
    records.resize(done);
    return records;
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void appendNumbered(RecordSpool &spool, int n)
{
    spool.append([&](unsigned char *slot, std::uint64_t index, double seconds) {
        const SampleRecord r{index, seconds, sampleNumbered(float(n)), 0};
        std::memcpy(slot, &r, sizeof r);
    });
}

template <class Condition> bool waitUntil(Condition condition)
{
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (!condition() && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

// The spill file's records once it holds `count` of them, or after the
// deadline.
std::vector<SampleRecord> fileRecords(const QString &path, std::size_t count)
{
    waitUntil([&] { return QFileInfo(path).size() >= qint64(count * sizeof(SampleRecord)); });
    TableSnapshot<SampleRecord> file(
        SpoolSnapshot(sizeof(SampleRecord), std::fopen(qPrintable(path), "rb"),
                      QFileInfo(path).size() / sizeof(SampleRecord), {}));
    return readAll(file);
}

bool numberedFromZero(const std::vector<SampleRecord> &records, std::size_t count)
{
    std::size_t i = 0;
    while (i < records.size() && records[i].index == i && records[i].data.angle.x == float(i))
        ++i;
    return i == count && records.size() == count;
}

// Small batches and a short queue, so a few records already fill batches.
constexpr SpoolLimits tinyLimits{4, 2};

} // namespace

TEST(CsvText, HeaderNamesEveryColumnWithItsUnitAndTheWallClockStart)
{
    const QDateTime started(QDate(2024, 3, 9), QTime(14, 5, 6, 789), Qt::OffsetFromUTC, 3600);
    EXPECT_EQ(csv::sampleHeader(started), "index,time [s since 2024-03-09T14:05:06.789+01:00],"
                                          "angle_x [deg],angle_y [deg],angle_z [deg],"
                                          "quat_w [1],quat_x [1],quat_y [1],quat_z [1],"
                                          "gyr_x [deg/s],gyr_y [deg/s],gyr_z [deg/s],"
                                          "acc_x [m/s²],acc_y [m/s²],acc_z [m/s²],"
                                          "free_acc_x [m/s²],free_acc_y [m/s²],free_acc_z [m/s²],"
                                          "mag_x [µT],mag_y [µT],mag_z [µT],temp [°C],"
                                          "missed_before [samples]\n");
    const std::string calibration = csv::calibrationHeader(started);
    EXPECT_EQ(QString::fromStdString(calibration).split(',').size(), 2 + 23 + 1);
    EXPECT_NE(calibration.find(",temp1 [°C],gyr2_x [deg/s],"), std::string::npos);
    EXPECT_NE(calibration.find(",mag_z [µT],missed_before [samples]\n"), std::string::npos);
}

TEST(CsvText, RowsKeepFullPrecisionWithAPointUnderAGermanLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; the text must not follow it
    IMUserial::sensor_data s{};
    s.angle = {0.1f, -12345.678f, 1e-7f};
    s.quat = {1, 0.70710677f, -0.5f, 3.4028235e38f};
    s.gyr = {1.5f, 2, 3};
    s.temp = 24.25f;
    std::string row;
    csv::appendRow(row, SampleRecord{41, 0.005, s, 3});
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, "C");

    EXPECT_EQ(row, "41,0.005,0.1,-12345.678,1e-07,1,0.70710677,-0.5,3.4028235e+38,1.5,2,3,"
                   "0,0,0,0,0,0,0,0,0,24.25,3\n");
    // Every float reads back to the very value recorded.
    const QStringList fields = QString::fromStdString(row).trimmed().split(',');
    const float expected[] = {s.angle.x, s.angle.y, s.angle.z, s.quat.w,
                              s.quat.x,  s.quat.y,  s.quat.z};
    for (int i = 0; i < 7; ++i) {
        const std::string text = fields[2 + i].toStdString();
        float parsed = 0;
        std::from_chars(text.data(), text.data() + text.size(), parsed);
        EXPECT_EQ(parsed, expected[i]) << text;
    }
}

TEST(CsvText, CalibrationFileSitsBesideTheSamplesFile)
{
    EXPECT_EQ(calibrationPathFor("/data/run.csv"), "/data/run-calibration.csv");
    EXPECT_EQ(calibrationPathFor("/data/run"), "/data/run-calibration.csv");
    EXPECT_EQ(calibrationPathFor("/data/run.v2.txt"), "/data/run.v2-calibration.txt");
}

// Appends from a producer thread while snapshots are taken, with batches
// that spill from the first: every snapshot is the gap-free beginning.
TEST(RecordSpoolTable, SnapshotsDuringAppendsAreGapFreePrefixesAndTheFileHoldsOne)
{
    QTemporaryDir folder;
    RecordSpool spool(sizeof(SampleRecord), tinyLimits);
    const QString spillPath = folder.filePath("samples.bin");
    spool.start(Clock::now(), spillPath);
    constexpr int count = 20000;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i)
            appendNumbered(spool, i);
    });
    std::uint64_t previousSize = 0;
    for (int round = 0; round < 20; ++round) {
        TableSnapshot<SampleRecord> table(spool.snapshot());
        const std::vector<SampleRecord> records = readAll(table);
        ASSERT_EQ(records.size(), table.size());
        ASSERT_GE(records.size(), previousSize);
        previousSize = records.size();
        for (std::size_t i = 0; i < records.size(); ++i) {
            ASSERT_EQ(records[i].index, i);
            ASSERT_EQ(records[i].data.angle.x, float(i));
            ASSERT_TRUE(i == 0 || records[i].seconds >= records[i - 1].seconds);
        }
    }
    producer.join();
    spool.stop();
    TableSnapshot<SampleRecord> table(spool.snapshot());
    EXPECT_EQ(table.size(), std::uint64_t(count));

    // The spill file alone is a whole number of records from the first on.
    QFile spill(spillPath);
    ASSERT_TRUE(spill.open(QIODevice::ReadOnly));
    const QByteArray bytes = spill.readAll();
    ASSERT_GT(bytes.size(), 0);
    ASSERT_EQ(bytes.size() % int(sizeof(SampleRecord)), 0);
    const int spilled = bytes.size() / int(sizeof(SampleRecord));
    for (int i = 0; i < spilled; i += 997) {
        SampleRecord r;
        std::memcpy(&r, bytes.constData() + i * sizeof r, sizeof r);
        ASSERT_EQ(r.index, std::uint64_t(i));
        ASSERT_EQ(r.data.angle.x, float(i));
    }
}

// Fewer records than a batch, or one full and a few: all reach the file, and
// a snapshot after the write-out reads them and the later ones once each.
TEST(RecordSpoolTable, SlowRecordsReachTheFileWithinAboutASecond)
{
    for (const auto &[batchRecords, count] :
         {std::pair<std::size_t, int>{2048, 1}, {2048, 5}, {4, 6}}) {
        QTemporaryDir folder;
        RecordSpool spool(sizeof(SampleRecord), {batchRecords, 2});
        spool.start(Clock::now(), folder.filePath("samples.bin"));
        for (int n = 0; n < count; ++n)
            appendNumbered(spool, n);
        EXPECT_TRUE(numberedFromZero(fileRecords(folder.filePath("samples.bin"), count), count));
        for (int n = count; n < count + 2; ++n)
            appendNumbered(spool, n);
        TableSnapshot<SampleRecord> table(spool.snapshot());
        EXPECT_TRUE(numberedFromZero(readAll(table), count + 2));
    }
}

// A file that takes every byte left on its file system.
void fillUp(const QString &path)
{
    QFile filler(path);
    filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
}

// The spill folder on a small file system of its own, filled up while the
// table records and freed again.
TEST(RecordSpoolTable, AFullDiskIsToldOnceKeepsMemoryBoundedCountsTheDroppedAndResumes)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    QTemporaryDir mountPoint;
    ASSERT_EQ(mount("tmpfs", qPrintable(mountPoint.path()), "tmpfs", 0, "size=512k"), 0);
    std::mutex noticesMutex;
    std::vector<SpoolNotice> notices;
    const auto noticeCount = [&] {
        std::lock_guard<std::mutex> lock(noticesMutex);
        return notices.size();
    };
    {
        const SpoolLimits limits{64, 4, 8 * 64 * sizeof(SampleRecord)};
        RecordSpool spool(sizeof(SampleRecord), limits, [&](const SpoolNotice &notice) {
            std::lock_guard<std::mutex> lock(noticesMutex);
            notices.push_back(notice);
        });
        const QString spillPath = mountPoint.filePath("samples.bin");
        spool.start(Clock::now(), spillPath);
        int appended = 0;
        for (; appended < 100; ++appended)
            appendNumbered(spool, appended);
        ASSERT_TRUE(waitUntil([&] { return spool.counts().inFile == 100; }));

        fillUp(mountPoint.filePath("filler"));
        for (; appended < 100 + 64 * 40; ++appended)
            appendNumbered(spool, appended);
        spool.snapshot(); // every full batch has met the file
        ASSERT_TRUE(waitUntil([&] { return noticeCount() == 1; }));
        EXPECT_FALSE(notices[0].writing);
        EXPECT_EQ(notices[0].path, spillPath);
        EXPECT_EQ(notices[0].reason, "No space left on device");
        const SpoolCounts full = spool.counts();
        EXPECT_EQ(full.appended, std::uint64_t(appended));
        EXPECT_LE(full.inMemory * sizeof(SampleRecord), limits.heldBytes);
        EXPECT_GT(full.dropped, 0u);

        TableSnapshot<SampleRecord> table(spool.snapshot());
        const std::vector<SampleRecord> kept = readAll(table);
        IndexGaps gaps;
        for (const SampleRecord &record : kept)
            gaps.see(record.index);
        gaps.end(table.numbered());
        EXPECT_EQ(kept.size() + full.dropped, std::uint64_t(appended));
        EXPECT_EQ(gaps.missing, full.dropped) << "the dropped are exactly the index's gaps";
        EXPECT_EQ(kept.front().index, 0u);

        QFile::remove(mountPoint.filePath("filler"));
        ASSERT_TRUE(waitUntil([&] { return noticeCount() == 2; }));
        EXPECT_TRUE(notices[1].writing);
        EXPECT_EQ(spool.counts().inFile, kept.size()) << "what waited in memory is written";
        EXPECT_EQ(noticeCount(), 2u) << "told once, not per batch";
    }
    umount2(qPrintable(mountPoint.path()), MNT_DETACH);
}

TEST(RecordSpoolTable, StopIgnoresLaterRecordsAndANewStartBeginsAfreshLeavingOldSnapshotsReadable)
{
    QTemporaryDir folder;
    Recorder recorder(tinyLimits);
    EXPECT_TRUE(recorder.isEmpty());
    recorder.recordSample(sampleNumbered(99)); // before any start: not recorded
    recorder.start();
    const QString firstFolder = recorder.spillFolder();
    for (int i = 0; i < 50; ++i)
        recorder.recordSample(sampleNumbered(float(i)));
    recorder.recordCalibration({});
    recorder.stop();
    recorder.recordSample(sampleNumbered(1000));
    RecordingSnapshot first = recorder.snapshot();
    EXPECT_EQ(first.samples.size(), 50u);
    EXPECT_EQ(first.calibration.size(), 1u);
    EXPECT_TRUE(QFile::exists(firstFolder + "/samples.bin")) << "50 records spill";
    EXPECT_EQ(lines(firstFolder + "/started.txt"),
              QStringList{first.started.toString(Qt::ISODateWithMs)});

    recorder.start();
    EXPECT_FALSE(QFile::exists(firstFolder)) << "the previous recording's files are gone";
    recorder.recordSample(sampleNumbered(7));
    RecordingSnapshot second = recorder.snapshot();
    const std::vector<SampleRecord> records = readAll(second.samples);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].index, 0u);
    EXPECT_EQ(records[0].data.angle.x, 7.0f);
    EXPECT_EQ(second.calibration.size(), 0u);

    const std::vector<SampleRecord> old = readAll(first.samples);
    ASSERT_EQ(old.size(), 50u);
    EXPECT_EQ(old.back().data.angle.x, 49.0f);
}

class CsvFiles : public ::testing::Test
{
protected:
    RecordingSnapshot recorded(int samples, int calibrationRecords)
    {
        recorder.start();
        for (int i = 0; i < samples; ++i)
            recorder.recordSample(sampleNumbered(float(i)));
        for (int i = 0; i < calibrationRecords; ++i) {
            IMUserial::sensor_data_calibration c{};
            c.temp2 = float(i);
            recorder.recordCalibration(c);
        }
        recorder.stop();
        return recorder.snapshot();
    }

    // Runs an export to its end on this thread's behalf; `onProgress` runs
    // on the export's thread after each slice.
    std::pair<bool, QString> exportTo(const QString &path, RecordingSnapshot snapshot,
                                      std::function<void(CsvExport &)> onProgress = {})
    {
        CsvExport job(std::move(snapshot), path);
        std::promise<std::pair<bool, QString>> result;
        QObject::connect(&job, &CsvExport::progress,
                         [&] { onProgress ? onProgress(job) : void(); });
        QObject::connect(&job, &CsvExport::finished, [&](bool cancelled, const QString &failure) {
            result.set_value({cancelled, failure});
        });
        job.start();
        return result.get_future().get();
    }

    QTemporaryDir folder;
    Recorder recorder;
};

TEST_F(CsvFiles, BothTablesAreWrittenRowForRowAndNoCalibrationFileWithoutRecords)
{
    const QString path = folder.filePath("run.csv");
    const auto [cancelled, failure] = exportTo(path, recorded(20000, 3));
    ASSERT_FALSE(cancelled);
    ASSERT_EQ(failure, "");
    const QStringList samples = lines(path);
    ASSERT_EQ(samples.size(), 1 + 20000);
    EXPECT_TRUE(samples[0].startsWith("index,time [s since "));
    EXPECT_TRUE(samples[12345 + 1].startsWith("12345,"));
    EXPECT_EQ(samples[12345 + 1].split(',')[2], "12345");
    const QStringList calibration = lines(folder.filePath("run-calibration.csv"));
    ASSERT_EQ(calibration.size(), 1 + 3);
    EXPECT_EQ(calibration[3].split(',')[2 + 3 + 3 + 3 + 1 + 3 + 3 + 3], "2") << "temp2";

    const QString alone = folder.filePath("alone.csv");
    ASSERT_EQ(exportTo(alone, recorded(5, 0)).second, "");
    EXPECT_EQ(lines(alone).size(), 6);
    EXPECT_FALSE(QFile::exists(folder.filePath("alone-calibration.csv")));
}

TEST_F(CsvFiles, ACancelMidwayLeavesNeitherFileNorATemporaryOne)
{
    const QString path = folder.filePath("run.csv");
    const auto [cancelled, failure] =
        exportTo(path, recorded(100000, 1), [](CsvExport &job) { job.cancel(); });
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{});
}

// A path whose folder is a regular file cannot be created, even as root.
TEST_F(CsvFiles, AFailingWriteIsToldInPlainWordsAndLeavesNoFile)
{
    QFile notAFolder(folder.filePath("plain"));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    const QString path = folder.filePath("plain/run.csv");
    const auto [cancelled, failure] = exportTo(path, recorded(10, 1));
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(failure.startsWith("Could not save " + path + ": ")) << failure.toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"plain"});
}
