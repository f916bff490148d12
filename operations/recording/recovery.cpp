// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/recovery.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace recording {

namespace {

constexpr std::size_t kCheckedPerRead = 512;
// A folder younger than this without a lock file may be one whose recorder
// has not taken its lock yet.
constexpr qint64 kLocklessGraceSeconds = 10;

struct CloseFile
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, CloseFile>;

FileHandle openForReading(const QString &path)
{
    return FileHandle(std::fopen(QFile::encodeName(path).constData(), "rb"));
}

// The start as the recorder wrote it, else the folder's own time.
QDateTime startOf(const QString &folder, QStringList &damage)
{
    QFile file(folder + '/' + kStartedFile);
    if (file.open(QIODevice::ReadOnly)) {
        const QDateTime started =
            QDateTime::fromString(QString::fromUtf8(file.read(64)).trimmed(), Qt::ISODateWithMs);
        if (started.isValid())
            return started;
    }
    damage << QStringLiteral("%1 is missing or unreadable; the start is taken from the "
                             "folder's time.")
                  .arg(kStartedFile);
    return QFileInfo(folder).lastModified();
}

} // namespace

SpillExtent checkSpill(std::FILE *file, std::size_t recordSize)
{
    SpillExtent extent;
    std::vector<unsigned char> chunk(kCheckedPerRead * recordSize);
    std::uint64_t bytesRead = 0;
    std::uint64_t lastIndex = 0;
    double lastSeconds = 0;
    // Chunks are whole records, and only the last read of a file is short.
    while (const std::size_t bytes = std::fread(chunk.data(), 1, chunk.size(), file)) {
        bytesRead += bytes;
        for (std::size_t at = 0; !extent.malformed && at + recordSize <= bytes; at += recordSize) {
            std::uint64_t index;
            double seconds;
            std::memcpy(&index, &chunk[at], sizeof index);
            std::memcpy(&seconds, &chunk[at + sizeof index], sizeof seconds);
            extent.malformed = (extent.records > 0 && index <= lastIndex) ||
                               !std::isfinite(seconds) || seconds < lastSeconds;
            if (extent.malformed)
                break;
            lastIndex = index;
            lastSeconds = seconds;
            ++extent.records;
        }
    }
    extent.cutBytes = bytesRead - extent.records * recordSize;
    return extent;
}

UnsavedRecording::UnsavedRecording(const QString &folder)
    : folder_(folder), lock_(folder + '/' + kOwnerLockFile)
{
    lock_.setStaleLockTime(0);
}

std::vector<std::unique_ptr<UnsavedRecording>> UnsavedRecording::findAll(const QString &folder)
{
    std::vector<std::unique_ptr<UnsavedRecording>> found;
    const QDir under(folder);
    for (const QString &name :
         under.entryList({QString::fromLatin1(kFolderPattern)}, QDir::Dirs | QDir::NoSymLinks)) {
        std::unique_ptr<UnsavedRecording> recording(new UnsavedRecording(under.filePath(name)));
        if (!recording->claim())
            continue;
        recording->check();
        if (recording->samples() == 0 && recording->calibrationRecords() == 0 &&
            recording->damage().isEmpty()) {
            recording->discard();
            continue;
        }
        found.push_back(std::move(recording));
    }
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a->started() < b->started(); });
    return found;
}

std::unique_ptr<UnsavedRecording> UnsavedRecording::claimOne(const QString &folder)
{
    std::unique_ptr<UnsavedRecording> recording(new UnsavedRecording(folder));
    if (!recording->claim())
        return nullptr;
    recording->check();
    return recording;
}

bool UnsavedRecording::claim()
{
    // A folder whose lock names a live process is that process's. The
    // recorder writes the start right after taking the lock, so a folder
    // with a start and without a lock lost its lock with its process (or it
    // was given up); one without either may still be taking it.
    if (!QFile::exists(lock_.fileName()) && !QFile::exists(folder_ + '/' + kStartedFile) &&
        QFileInfo(folder_).lastModified().secsTo(QDateTime::currentDateTime()) <
            kLocklessGraceSeconds)
        return false;
    return lock_.tryLock(0);
}

void UnsavedRecording::check()
{
    started_ = startOf(folder_, damage_);
    samples_ = checkTable(kSamplesFile, sizeof(SampleRecord), QStringLiteral("samples"));
    calibration_ = checkTable(kCalibrationFile, sizeof(CalibrationRecord),
                              QStringLiteral("calibration records"));
}

SpillExtent UnsavedRecording::checkTable(const char *file, std::size_t recordSize,
                                         const QString &what)
{
    const FileHandle spill = openForReading(folder_ + '/' + file);
    if (!spill)
        return {};
    const SpillExtent extent = checkSpill(spill.get(), recordSize);
    if (extent.cutBytes == 0)
        return extent;
    const QString after = QStringLiteral("after the first %1 %2").arg(extent.records).arg(what);
    damage_ << (extent.malformed
                    ? QStringLiteral("%1: %2 damaged bytes %3 were left out.")
                    : QStringLiteral("%1: the last %2 bytes, %3, were an incomplete record "
                                     "(cut off by the end of the program) and were left out."))
                   .arg(QString::fromLatin1(file))
                   .arg(extent.cutBytes)
                   .arg(after);
    return extent;
}

QString UnsavedRecording::startedText() const
{
    return started_.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString UnsavedRecording::offerText() const
{
    return QStringLiteral("A recording of %1 samples from %2 was not saved.")
        .arg(samples_.records)
        .arg(startedText());
}

RecordingSnapshot UnsavedRecording::snapshot() const
{
    const auto table = [&](const char *file, std::size_t recordSize, const SpillExtent &extent) {
        return SpoolSnapshot(recordSize,
                             extent.records > 0 ? openForReading(folder_ + '/' + file).release()
                                                : nullptr,
                             extent.records, {});
    };
    return {started_,
            TableSnapshot<SampleRecord>(table(kSamplesFile, sizeof(SampleRecord), samples_)),
            TableSnapshot<CalibrationRecord>(
                table(kCalibrationFile, sizeof(CalibrationRecord), calibration_))};
}

bool UnsavedRecording::discard()
{
    lock_.unlock();
    return QDir(folder_).removeRecursively();
}

void UnsavedRecording::release()
{
    lock_.unlock();
}

} // namespace recording
