// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings whose program is gone: found under the temporary folder,
// checked record by record, and exported or discarded.
//
// A recording's folder holds a lock file for as long as its program runs
// (recorder.h). A folder whose lock is stale (its process is gone, or the
// lock file is missing) is a recording that was not exported. The files are
// read only as far as they hold whole, well-formed records: a half-written
// last batch or damaged bytes end the table there, and are described.
#pragma once

#include "recording/recorder.h"

#include <QDir>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace recording {

// How much of a spill file is whole, well-formed records.
struct SpillExtent
{
    std::uint64_t records = 0;  // from the start, each following the one before
    std::uint64_t cutBytes = 0; // after them
    bool malformed = false;     // the cut begins with a whole record that does not follow
};

// Reads `file` from its current position to its end in records of
// `recordSize` bytes, each starting with an index (unsigned 64-bit) above
// the one before, then a time in seconds (double) that is finite, not
// negative and not below the one before. `recordSize` is at least 16.
SpillExtent checkSpill(std::FILE *file, std::size_t recordSize);

class UnsavedRecording
{
public:
    // The unsaved recordings under `folder`, oldest first. Each is claimed
    // by this process until it is released, exported or discarded, so that
    // two programs never offer the same one. Folders without any record are
    // removed on the way.
    static std::vector<std::unique_ptr<UnsavedRecording>>
    findAll(const QString &folder = QDir::tempPath());
    // The recording in `folder` alone, claimed and checked as findAll()
    // checks each, and kept even without a record; null while a live
    // program holds it. Release it once read.
    static std::unique_ptr<UnsavedRecording> claimOne(const QString &folder);

    const QString &folder() const { return folder_; }
    const QDateTime &started() const { return started_; }
    // The start as the operator reads it: "2026-03-09 14:05:06".
    QString startedText() const;
    std::uint64_t samples() const { return samples_.records; }
    std::uint64_t calibrationRecords() const { return calibration_.records; }
    // What was left out, one sentence per file; empty when all is whole.
    const QStringList &damage() const { return damage_; }
    // "A recording of N samples from <date time> was not saved."
    QString offerText() const;

    // The records, as a live recording's snapshot, for CsvExport.
    RecordingSnapshot snapshot() const;
    // Removes the folder; false when it could not be removed entirely.
    bool discard();
    // Gives the claim up, to be found again at a later start.
    void release();

private:
    explicit UnsavedRecording(const QString &folder);
    bool claim();
    void check();
    SpillExtent checkTable(const char *file, std::size_t recordSize, const QString &what);

    QString folder_;
    QLockFile lock_;
    QDateTime started_;
    SpillExtent samples_;
    SpillExtent calibration_;
    QStringList damage_;
};

} // namespace recording
