#include "recording/recorder.h"

#include <QDir>
#include <QFile>

namespace recording {

Recorder::Recorder(SpoolLimits limits)
    : samples_(sizeof(SampleRecord), limits), calibration_(sizeof(CalibrationRecord), limits)
{
}

void Recorder::recordSample(const IMUserial::sensor_data &sample)
{
    append(samples_, sample);
}

void Recorder::recordCalibration(const IMUserial::sensor_data_calibration &record)
{
    append(calibration_, record);
}

void Recorder::start()
{
    const Clock::time_point origin = Clock::now();
    const QDateTime now = QDateTime::currentDateTime();
    startedAt_ = now.toOffsetFromUtc(now.offsetFromUtc());
    // The spools close and remove the previous files before the folder goes.
    auto next = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                QStringLiteral("/orvik-imu-recording-XXXXXX"));
    const QString base = next->isValid() ? next->path() + '/' : QString();
    // Without a folder the recording stays in memory: the spills fail.
    samples_.start(origin, base.isEmpty() ? QString() : base + QStringLiteral("samples.bin"));
    calibration_.start(origin,
                       base.isEmpty() ? QString() : base + QStringLiteral("calibration.bin"));
    folder_ = std::move(next);
    if (!base.isEmpty()) {
        QFile started(base + QStringLiteral("started.txt"));
        if (started.open(QIODevice::WriteOnly))
            started.write(startedAt_.toString(Qt::ISODateWithMs).toUtf8() + '\n');
    }
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
