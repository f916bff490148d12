// SPDX-License-Identifier: GPL-3.0-or-later
#include "recover.h"

#include "files/saved_file.h"
#include "record.h"
#include "recording/recovery.h"

#include <QJsonArray>

namespace cli {

namespace {

QJsonObject described(const recording::UnsavedRecording &recording)
{
    return {{"folder", recording.folder()},
            {"started", recording.started().toString(Qt::ISODateWithMs)},
            {"samples", qint64(recording.samples())},
            {"calibration_records", qint64(recording.calibrationRecords())},
            {"damage", QJsonArray::fromStringList(recording.damage())}};
}

// A file name in `folder` from the recording's start that names no file yet.
QString freshPath(const QDir &folder, const QDateTime &started)
{
    const QString name = files::timestampedName("data", "csv", started);
    QString path = folder.filePath(name);
    for (int n = 2; QFile::exists(path); ++n)
        path = folder.filePath(QString(name).replace(".csv", QStringLiteral("-%1.csv").arg(n)));
    return path;
}

// Exports into `folder` and then removes the recording; false when it stays.
bool exportTo(recording::UnsavedRecording &recording, const QDir &folder, QJsonObject &entry,
              QStringList &lines)
{
    const QString path = freshPath(folder, recording.started());
    QString dropped;
    const QString failure = writeCsv(recording.snapshot(), path, dropped);
    if (!failure.isEmpty()) {
        recording.release();
        entry["error"] = failure;
        lines << failure;
        return false;
    }
    recording.discard();
    entry["file"] = path;
    lines << QStringLiteral("%1 samples written to %2").arg(recording.samples()).arg(path);
    if (!dropped.isEmpty())
        lines << dropped;
    return true;
}

} // namespace

Outcome recover(const Invocation &invocation)
{
    const QDir exportFolder(invocation.out);
    if (invocation.recoverAction == RecoverAction::Export && !exportFolder.exists())
        return failed(ExitCode::Usage, "no such folder: " + invocation.out);

    QJsonArray recordings;
    QStringList lines;
    bool allExported = true;
    for (const auto &recording : recording::UnsavedRecording::findAll()) {
        QJsonObject entry = described(*recording);
        lines << recording->offerText() + " (" + recording->folder() + ")";
        lines << recording->damage();
        switch (invocation.recoverAction) {
        case RecoverAction::List:
            recording->release();
            break;
        case RecoverAction::Discard:
            entry["discarded"] = recording->discard();
            lines << (entry["discarded"].toBool() ? "discarded" : "could not be removed entirely");
            break;
        case RecoverAction::Export:
            allExported = exportTo(*recording, exportFolder, entry, lines) && allExported;
            break;
        }
        recordings.append(entry);
    }
    const QJsonObject data{{"recordings", recordings}};
    if (recordings.isEmpty())
        return succeeded("no unsaved recording", data);
    if (!allExported)
        return failed(ExitCode::Failed, lines.join('\n'), data);
    return succeeded(lines.join('\n'), data);
}

} // namespace cli
