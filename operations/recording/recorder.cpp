#include "recording/recorder.h"

#include <QDir>
#include <QFile>

namespace recording {

Recorder::Recorder(SpoolLimits limits)
    : samples(sizeof(SampleRecord), limits), calibration(sizeof(CalibrationRecord), limits)
{
}

void Recorder::recordSample(const IMUserial::sensor_data &sample)
{
    append(samples, sample);
}

void Recorder::recordCalibration(const IMUserial::sensor_data_calibration &record)
{
    append(calibration, record);
}

void Recorder::start()
{
    const Clock::time_point origin = Clock::now();
    const QDateTime now = QDateTime::currentDateTime();
    startedAt = now.toOffsetFromUtc(now.offsetFromUtc());
    // The spools close and remove the previous files before the folder goes.
    auto next = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                QStringLiteral("/orvik-imu-recording-XXXXXX"));
    const QString base = next->isValid() ? next->path() + '/' : QString();
    // Without a folder the recording stays in memory: the spills fail.
    samples.start(origin, base.isEmpty() ? QString() : base + QStringLiteral("samples.bin"));
    calibration.start(origin,
                      base.isEmpty() ? QString() : base + QStringLiteral("calibration.bin"));
    folder = std::move(next);
    if (!base.isEmpty()) {
        QFile started(base + QStringLiteral("started.txt"));
        if (started.open(QIODevice::WriteOnly))
            started.write(startedAt.toString(Qt::ISODateWithMs).toUtf8() + '\n');
    }
}

void Recorder::stop()
{
    samples.stop();
    calibration.stop();
}

bool Recorder::isEmpty()
{
    return samples.appended() == 0 && calibration.appended() == 0;
}

RecordingSnapshot Recorder::snapshot()
{
    return {startedAt, TableSnapshot<SampleRecord>(samples.snapshot()),
            TableSnapshot<CalibrationRecord>(calibration.snapshot())};
}

QString Recorder::spillFolder() const
{
    return folder ? folder->path() : QString();
}

} // namespace recording
