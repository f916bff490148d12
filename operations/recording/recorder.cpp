// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/recorder.h"

#include <QDir>
#include <QFile>

namespace recording {

QString heldText(const SpoolNotice &notice)
{
    return notice.heldBytes >= (std::size_t(1) << 20)
               ? QStringLiteral("%1 MiB").arg(notice.heldBytes >> 20)
               : QStringLiteral("%1 KiB").arg(notice.heldBytes >> 10);
}

QString noticeLine(const SpoolNotice &notice)
{
    const QString path = QDir::toNativeSeparators(notice.path);
    if (notice.writing)
        return QStringLiteral("Recording: writing to %1 again").arg(path);
    return QStringLiteral("Recording: cannot write %1: %2; keeping the last %3 in memory")
        .arg(path, notice.reason, heldText(notice));
}

Recorder::Recorder(SpoolLimits limits, const SpoolNoticeHandler &onNotice)
    : samples_(sizeof(SampleRecord), limits, onNotice),
      calibration_(sizeof(CalibrationRecord), limits, onNotice)
{
}

void Recorder::recordSample(const IMUserial::sensor_data &sample, std::uint32_t missedBefore)
{
    append(samples_, sample, missedBefore);
}

void Recorder::recordCalibration(const IMUserial::sensor_data_calibration &record,
                                 std::uint32_t missedBefore)
{
    append(calibration_, record, missedBefore);
}

void Recorder::start()
{
    const Clock::time_point origin = Clock::now();
    const QDateTime now = QDateTime::currentDateTime();
    startedAt_ = now.toOffsetFromUtc(now.offsetFromUtc());
    // The spools close and remove the previous files before the folder goes.
    const QString pattern = QDir::tempPath() + QStringLiteral("/orvik-imu-recording-XXXXXX");
    auto next = std::make_unique<QTemporaryDir>(pattern);
    // Without a folder the spills fail, and say so with the folder's name.
    const QString base = (next->isValid() ? next->path() : pattern) + '/';
    samples_.start(origin, base + kSamplesFile);
    calibration_.start(origin, base + kCalibrationFile);
    ownerLock_.reset();
    folder_ = std::move(next);
    if (!folder_->isValid())
        return;
    ownerLock_ = std::make_unique<QLockFile>(base + kOwnerLockFile);
    ownerLock_->tryLock(0);
    QFile started(base + kStartedFile);
    if (started.open(QIODevice::WriteOnly))
        started.write(startedAt_.toString(Qt::ISODateWithMs).toUtf8() + '\n');
}

void Recorder::stop()
{
    samples_.stop();
    calibration_.stop();
}

bool Recorder::isEmpty()
{
    return samples_.appended() == 0 && calibration_.appended() == 0;
}

RecordingSnapshot Recorder::snapshot()
{
    return {startedAt_, TableSnapshot<SampleRecord>(samples_.snapshot()),
            TableSnapshot<CalibrationRecord>(calibration_.snapshot())};
}

QString Recorder::spillFolder() const
{
    return folder_ ? folder_->path() : QString();
}

} // namespace recording
