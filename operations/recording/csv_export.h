// SPDX-License-Identifier: GPL-3.0-or-later
// Exporting a recording as CSV files on a worker thread.
#pragma once

#include "recording/recorder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

class QFileDevice;
class QIODevice;

namespace recording {

enum class WriteOutcome
{
    Written,
    Cancelled,
    WriteFailed, // the device refused bytes
    ReadFailed,  // the recording's spill file could not be read back
};

// Called after each slice of rows with the rows in it; false cancels.
using SliceDone = std::function<bool(std::uint64_t rows)>;

// The indices missing from a table as it is written: records numbered but
// dropped because the spill file refused them and memory was spent.
struct IndexGaps
{
    struct Run
    {
        std::uint64_t first;
        std::uint64_t last;
    };
    std::uint64_t missing = 0;
    std::vector<Run> runs;

    // The next record's index.
    void see(std::uint64_t index);
    // After the last record: the table numbered `numbered` records.
    void end(std::uint64_t numbered) { see(numbered); }
    // "N <what> were dropped ...: index a to b, ..."; empty without gaps.
    QString text(const QString &what) const;

private:
    std::uint64_t expected_ = 0;
};

// Writes the header and every record of `table` to `out`, slice by slice,
// and notes the gaps in its index.
WriteOutcome writeTable(TableSnapshot<SampleRecord> &table, const QDateTime &started,
                        QIODevice &out, const SliceDone &sliceDone, IndexGaps &gaps);
WriteOutcome writeTable(TableSnapshot<CalibrationRecord> &table, const QDateTime &started,
                        QIODevice &out, const SliceDone &sliceDone, IndexGaps &gaps);

// The calibration records' file beside the samples' file:
// "run.csv" -> "run-calibration.csv".
QString calibrationPathFor(const QString &samplesPath);
// The note of dropped records beside it: "run.csv" -> "run-dropped.txt".
QString droppedNotePathFor(const QString &samplesPath);

// Writes a snapshot's samples to one file and, when there are any, its
// calibration records to calibrationPathFor() that file. Each file is written
// under a temporary name and renamed when complete; a cancel or a failure
// leaves neither. When records were dropped, droppedNotePathFor() the file
// says how many and where, and droppedText() holds the same for the log.
//
// Threads: the owner (GUI thread) constructs, starts, cancels and destroys
// it; the writing runs on a thread of its own, which emits progress() and,
// once, finished(). cancel() may be called from any thread.
class CsvExport : public QObject
{
    Q_OBJECT

public:
    CsvExport(RecordingSnapshot snapshot, QString samplesPath);
    // Cancels a write under way and waits for its thread.
    ~CsvExport() override;

    std::uint64_t totalRows() const { return total_; }
    const QString &path() const { return samplesPath_; }
    // After finished(): the dropped records in words, empty when none.
    const QString &droppedText() const { return droppedText_; }
    void start();
    void cancel();

signals:
    void progress(qint64 rowsWritten);
    // `failure` is empty unless the files could not be written, in words
    // for the operator.
    void finished(bool cancelled, const QString &failure);

private:
    void run();
    // Writes the note of dropped records, if any; empty, or why it failed.
    QString writeDroppedNote(const IndexGaps &samples, const IndexGaps &calibration);
    QString failureText(const QString &path, const QFileDevice &file, WriteOutcome outcome) const;

    RecordingSnapshot snapshot_;
    const QString samplesPath_;
    QString droppedText_;
    const std::uint64_t total_;
    std::atomic<bool> cancelRequested_{false};
    std::thread worker_;
};

} // namespace recording
