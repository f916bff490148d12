// SPDX-License-Identifier: GPL-3.0-or-later
// A program killed while it records: its recording's folder, and how much of
// the time before the kill the recovered samples cover.
#pragma once

#include "recording/recorder.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <thread>

namespace killed_recording {

// The recording folder under `temp` once its file holds `records` samples;
// empty if that takes longer than a loaded machine needs.
inline QString waitForSpill(const QString &temp, qint64 records)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        for (const QFileInfo &folder : QDir(temp).entryInfoList(
                 {QString::fromLatin1(recording::kFolderPattern)}, QDir::Dirs)) {
            const QFileInfo spill(folder.filePath() + '/' + recording::kSamplesFile);
            if (spill.size() >= records * qint64(sizeof(recording::SampleRecord)))
                return folder.filePath();
        }
    }
    return {};
}

// The recording promises all but the last second; a loaded machine may wake
// its writer a little late.
constexpr double kMostSecondsLost = 1.0 + 0.5;

struct ExportedRows
{
    std::size_t count = 0;
    bool gapFree = true; // indices 0, 1, 2, ...
    double lastSeconds = -1;
};

inline ExportedRows readExport(const QString &path)
{
    ExportedRows rows;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    for (file.readLine(); !file.atEnd(); ++rows.count) {
        const QList<QByteArray> fields = file.readLine().split(',');
        rows.gapFree = rows.gapFree && fields.value(0).toULongLong() == rows.count;
        rows.lastSeconds = fields.value(1).toDouble();
    }
    return rows;
}

// Seconds between the last recovered sample and the kill, from the
// recording's wall-clock start in its folder.
inline double secondsLost(const QString &folder, const QDateTime &killedAt, double lastSeconds)
{
    QFile started(folder + '/' + recording::kStartedFile);
    started.open(QIODevice::ReadOnly);
    const QDateTime start =
        QDateTime::fromString(QString::fromUtf8(started.readAll()).trimmed(), Qt::ISODateWithMs);
    return start.msecsTo(killedAt) / 1000.0 - lastSeconds;
}

} // namespace killed_recording
