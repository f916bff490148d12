// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/recording_file.h"

#include "recording/csv_reader.h"
#include "recording/recovery.h"

#include <QDir>
#include <QFileInfo>

namespace recording {

namespace {

OpenResult refused(const QString &name, const QString &why)
{
    return {std::nullopt, name + ": " + why};
}

// A folder is a recording's when the recorder wrote its start or a spill file
// into it; it is read as recovery reads a recording whose program is gone,
// under the same claim, so a program offering it at the same time waits.
OpenResult openFolder(const QString &path)
{
    const QDir folder(path);
    const QString name = folder.dirName();
    if (!folder.exists(kStartedFile) && !folder.exists(kSamplesFile) &&
        !folder.exists(kCalibrationFile))
        return refused(name, QStringLiteral("not a recording folder: it holds neither %1 nor a "
                                            "spill file (%2, %3)")
                                 .arg(kStartedFile, kSamplesFile, kCalibrationFile));
    const std::unique_ptr<UnsavedRecording> unsaved = UnsavedRecording::claimOne(path);
    if (!unsaved)
        return refused(name, QStringLiteral("its recording program still runs; open the CSV "
                                            "file it exports, or this folder once that program "
                                            "has ended"));
    RecordingSnapshot snapshot = unsaved->snapshot();
    OpenedRecording opened{name, unsaved->started(), snapshot.samples.readAll(),
                           snapshot.calibration.readAll(), unsaved->damage()};
    unsaved->release();
    return {std::move(opened), {}};
}

} // namespace

OpenResult openRecording(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return openFolder(path);
    csv::ReadResult read = csv::readFile(path);
    if (!read.tables)
        return {std::nullopt, std::move(read.error)};
    return {OpenedRecording{info.fileName(),
                            read.tables->started,
                            std::move(read.tables->samples),
                            std::move(read.tables->calibration),
                            {}},
            {}};
}

} // namespace recording
