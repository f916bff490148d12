// A program killed while it records: where its recording's folder is, and
// whether what it left covers all but the last second before the kill.
#pragma once

#include "recording/recorder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <thread>

namespace killed_recording {

// The seconds stamp of the last whole sample in `folder`'s spill file.
inline double spilledSeconds(const QString &folder)
{
    QFile spill(folder + '/' + recording::kSamplesFile);
    const qint64 records = QFileInfo(spill).size() / qint64(sizeof(recording::SampleRecord));
    if (records == 0 || !spill.open(QIODevice::ReadOnly) ||
        !spill.seek((records - 1) * qint64(sizeof(recording::SampleRecord))))
        return -1;
    recording::SampleRecord last;
    if (spill.read(reinterpret_cast<char *>(&last), sizeof last) != qint64(sizeof last))
        return -1;
    return last.seconds;
}

// The recording folder under `temp` once its file holds `seconds` of
// samples; empty if that takes longer than a loaded machine needs.
inline QString waitForSpill(const QString &temp, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        const QStringList folders =
            QDir(temp).entryList({QString::fromLatin1(recording::kFolderPattern)}, QDir::Dirs);
        if (!folders.isEmpty() && spilledSeconds(QDir(temp).filePath(folders[0])) >= seconds)
            return QDir(temp).filePath(folders[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

inline QDateTime startOf(const QString &folder)
{
    QFile started(folder + '/' + recording::kStartedFile);
    started.open(QIODevice::ReadOnly);
    return QDateTime::fromString(QString::fromUtf8(started.readAll()).trimmed(), Qt::ISODateWithMs);
}

// The recording promises all but the last second; a loaded machine may
// wake its writer a little late.
constexpr double kPromisedSeconds = 1.0;
constexpr double kSchedulingSlack = 0.5;

// Seconds of recording the kill at `killedAt` took away, judged by the
// last recovered sample's stamp.
inline double secondsLost(const QDateTime &started, const QDateTime &killedAt, double lastStamp)
{
    return started.msecsTo(killedAt) / 1000.0 - lastStamp;
}

// An exported samples file as far as these tests look at it.
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
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    file.readLine();
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().split(',');
        rows.gapFree = rows.gapFree && fields.value(0).toULongLong() == rows.count;
        rows.lastSeconds = fields.value(1).toDouble();
        ++rows.count;
    }
    return rows;
}

} // namespace killed_recording
