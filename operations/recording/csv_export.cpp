// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/csv_export.h"

#include "files/saved_file.h"
#include "recording/csv_format.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <vector>

namespace recording {

namespace {

constexpr std::size_t kRowsPerSlice = 8192;
// Runs of dropped records listed by index; more are only counted.
constexpr std::size_t kListedRuns = 20;

bool writeText(QIODevice &out, const std::string &text)
{
    return out.write(text.data(), static_cast<qint64>(text.size())) ==
           static_cast<qint64>(text.size());
}

template <class RecordType>
WriteOutcome writeRecords(TableSnapshot<RecordType> &table, const std::string &header,
                          QIODevice &out, const SliceDone &sliceDone, IndexGaps &gaps)
{
    if (!writeText(out, header))
        return WriteOutcome::WriteFailed;
    std::vector<RecordType> records(kRowsPerSlice);
    std::string text;
    std::uint64_t written = 0;
    while (written < table.size()) {
        const std::size_t count = table.read(records.data(), records.size());
        if (count == 0)
            return WriteOutcome::ReadFailed;
        text.clear();
        for (std::size_t i = 0; i < count; ++i) {
            gaps.see(records[i].index);
            csv::appendRow(text, records[i]);
        }
        if (!writeText(out, text))
            return WriteOutcome::WriteFailed;
        written += count;
        if (!sliceDone(count))
            return WriteOutcome::Cancelled;
    }
    gaps.end(table.numbered());
    return WriteOutcome::Written;
}

} // namespace

void IndexGaps::see(std::uint64_t index)
{
    if (index > expected_) {
        missing += index - expected_;
        if (runs.size() < kListedRuns)
            runs.push_back({expected_, index - 1});
    }
    expected_ = index + 1;
}

QString IndexGaps::text(const QString &what) const
{
    if (missing == 0)
        return {};
    QStringList where;
    for (const Run &run : runs)
        where << (run.first == run.last ? QString::number(run.first)
                                        : QStringLiteral("%1 to %2").arg(run.first).arg(run.last));
    QString text = QStringLiteral("%1 %2 were dropped while the recording could not be written "
                                  "to its temporary file and memory was full: index %3")
                       .arg(missing)
                       .arg(what, where.join(QStringLiteral(", ")));
    if (runs.size() == kListedRuns)
        text += QStringLiteral(" and later");
    return text;
}

WriteOutcome writeTable(TableSnapshot<SampleRecord> &table, const QDateTime &started,
                        QIODevice &out, const SliceDone &sliceDone, IndexGaps &gaps)
{
    return writeRecords(table, csv::sampleHeader(started), out, sliceDone, gaps);
}

WriteOutcome writeTable(TableSnapshot<CalibrationRecord> &table, const QDateTime &started,
                        QIODevice &out, const SliceDone &sliceDone, IndexGaps &gaps)
{
    return writeRecords(table, csv::calibrationHeader(started), out, sliceDone, gaps);
}

namespace {

// "run.csv" -> "run" + addition; a path without a suffix keeps all of it.
QString besideSamples(const QString &samplesPath, const QString &addition)
{
    const QString suffix = QFileInfo(samplesPath).suffix();
    return (suffix.isEmpty() ? samplesPath : samplesPath.chopped(suffix.size() + 1)) + addition;
}

} // namespace

QString calibrationPathFor(const QString &samplesPath)
{
    const QString suffix = QFileInfo(samplesPath).suffix();
    return besideSamples(samplesPath, "-calibration." + (suffix.isEmpty() ? "csv" : suffix));
}

QString droppedNotePathFor(const QString &samplesPath)
{
    return besideSamples(samplesPath, QStringLiteral("-dropped.txt"));
}

CsvExport::CsvExport(RecordingSnapshot snapshot, QString samplesPath)
    : snapshot_(std::move(snapshot)), samplesPath_(std::move(samplesPath)),
      total_(snapshot_.samples.size() + snapshot_.calibration.size())
{
}

CsvExport::~CsvExport()
{
    cancel();
    if (worker_.joinable())
        worker_.join();
}

void CsvExport::start()
{
    worker_ = std::thread([this] { run(); });
}

void CsvExport::cancel()
{
    cancelRequested_ = true;
}

QString CsvExport::failureText(const QString &path, const QFileDevice &file,
                               WriteOutcome outcome) const
{
    if (outcome == WriteOutcome::ReadFailed)
        return QStringLiteral("Could not save %1: the recording could not be read back from "
                              "its temporary file")
            .arg(QDir::toNativeSeparators(path));
    return files::failureText(path, file);
}

void CsvExport::run()
{
    qint64 rowsWritten = 0;
    const SliceDone sliceDone = [&](std::uint64_t rows) {
        rowsWritten += static_cast<qint64>(rows);
        emit progress(rowsWritten);
        return !cancelRequested_;
    };
    // Each file open and written in full, not yet renamed into place.
    IndexGaps sampleGaps;
    IndexGaps calibrationGaps;
    const auto write = [&](QSaveFile &file, auto &table, IndexGaps &gaps) {
        if (!file.open(QIODevice::WriteOnly))
            return WriteOutcome::WriteFailed;
        return writeTable(table, snapshot_.started, file, sliceDone, gaps);
    };

    QSaveFile samplesFile(samplesPath_);
    WriteOutcome outcome = write(samplesFile, snapshot_.samples, sampleGaps);
    QString failedPath = samplesPath_;
    QFileDevice *failedFile = &samplesFile;

    const QString calibrationPath = calibrationPathFor(samplesPath_);
    std::unique_ptr<QSaveFile> calibrationFile;
    if (outcome == WriteOutcome::Written && snapshot_.calibration.size() > 0) {
        calibrationFile = std::make_unique<QSaveFile>(calibrationPath);
        outcome = write(*calibrationFile, snapshot_.calibration, calibrationGaps);
        failedPath = calibrationPath;
        failedFile = calibrationFile.get();
    }
    // The calibration file goes into place first, and is taken away again
    // when the samples' file then cannot be: both or neither.
    if (outcome == WriteOutcome::Written && calibrationFile && !calibrationFile->commit()) {
        outcome = WriteOutcome::WriteFailed;
    } else if (outcome == WriteOutcome::Written && !samplesFile.commit()) {
        outcome = WriteOutcome::WriteFailed;
        failedPath = samplesPath_;
        failedFile = &samplesFile;
        if (calibrationFile)
            QFile::remove(calibrationPath);
    }
    if (outcome == WriteOutcome::Written) {
        emit finished(false, writeDroppedNote(sampleGaps, calibrationGaps));
        return;
    }
    const QString failure = outcome == WriteOutcome::Cancelled
                                ? QString()
                                : failureText(failedPath, *failedFile, outcome);
    samplesFile.cancelWriting();
    if (calibrationFile)
        calibrationFile->cancelWriting();
    emit finished(outcome == WriteOutcome::Cancelled, failure);
}

QString CsvExport::writeDroppedNote(const IndexGaps &samples, const IndexGaps &calibration)
{
    QStringList lines;
    for (const QString &line : {samples.text(QStringLiteral("samples")),
                                calibration.text(QStringLiteral("calibration records"))}) {
        if (!line.isEmpty())
            lines << line;
    }
    droppedText_ = lines.join('\n');
    if (droppedText_.isEmpty())
        return {};
    return files::writeAll(droppedNotePathFor(samplesPath_), droppedText_.toUtf8() + '\n');
}

} // namespace recording
