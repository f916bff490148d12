// Exporting a recording as CSV files on a worker thread.
#pragma once

#include "recording/recorder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

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

// Writes the header and every record of `table` to `out`, slice by slice.
WriteOutcome writeTable(TableSnapshot<SampleRecord> &table, const QDateTime &started,
                        QIODevice &out, const SliceDone &sliceDone);
WriteOutcome writeTable(TableSnapshot<CalibrationRecord> &table, const QDateTime &started,
                        QIODevice &out, const SliceDone &sliceDone);

// The calibration records' file beside the samples' file:
// "run.csv" -> "run-calibration.csv".
QString calibrationPathFor(const QString &samplesPath);

// Writes a snapshot's samples to one file and, when there are any, its
// calibration records to calibrationPathFor() that file. Each file is written
// under a temporary name and renamed when complete; a cancel or a failure
// leaves neither.
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
    void start();
    void cancel();

signals:
    void progress(qint64 rowsWritten);
    // `failure` is empty unless the files could not be written, in words
    // for the operator.
    void finished(bool cancelled, const QString &failure);

private:
    void run();
    QString failureText(const QString &path, const QFileDevice &file, WriteOutcome outcome) const;

    RecordingSnapshot snapshot_;
    const QString samplesPath_;
    const std::uint64_t total_;
    std::atomic<bool> cancelRequested_{false};
    std::thread worker_;
};

} // namespace recording
