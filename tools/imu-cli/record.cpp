#include "record.h"

#include "module_commands.h"
#include "outcome/command_outcome.h"
#include "outcome/outcome_texts.h"
#include "recording/csv_export.h"
#include "recording/recorder.h"

#include <QEventLoop>

#include <atomic>

namespace cli {

namespace {

// The recording the callbacks feed; set only while reception runs.
std::atomic<recording::Recorder *> activeRecorder{nullptr};

} // namespace

QString writeCsv(recording::RecordingSnapshot snapshot, const QString &path, QString &dropped)
{
    recording::CsvExport csv(std::move(snapshot), path);
    QEventLoop loop;
    QString failure;
    QObject::connect(
        &csv, &recording::CsvExport::finished, &loop,
        [&](bool, const QString &why) {
            failure = why;
            loop.quit();
        },
        Qt::QueuedConnection);
    csv.start();
    loop.exec();
    dropped = csv.droppedText();
    return failure;
}

void sampleArrived(IMUserial::sensor_data *sample)
{
    if (recording::Recorder *recorder = activeRecorder.load())
        recorder->recordSample(*sample);
}

void calibrationSampleArrived(IMUserial::sensor_data_calibration *sample)
{
    if (recording::Recorder *recorder = activeRecorder.load())
        recorder->recordCalibration(*sample);
}

Outcome record(IMUserial::IMUSerial &device, const RecordRequest &request, const Console &console)
{
    if (request.rate) {
        IMUserial::DATARATE rate = *request.rate;
        if (!outcome::run([&] { return device.set_data_rate(&rate); }))
            return failed(ExitCode::Failed, "Set data rate FAIL");
    }
    recording::Recorder recorder({}, [&](const recording::SpoolNotice &notice) {
        console.notice(recording::noticeLine(notice));
    });
    recorder.start();
    activeRecorder = &recorder;
    device.startRecv();
    const bool started = outcome::run([&] { return device.start_data_ransmission(); });
    WaitEnd end = WaitEnd::Elapsed;
    if (started) {
        end = waitWhileOpen(device, request.seconds, [&](double elapsed) {
            console.progress(
                QStringLiteral("recording: %1 of %2 s").arg(int(elapsed)).arg(request.seconds));
        });
        if (end != WaitEnd::ModuleVanished)
            outcome::run([&] { return device.stop_data_ransmission(); });
    }
    // Once reception has stopped no callback runs any more.
    device.stopRecv();
    activeRecorder = nullptr;
    recorder.stop();
    if (!started)
        return failed(ExitCode::Failed, outcome::kStartStream.failure);

    const QJsonObject data{{"file", request.out},
                           {"samples", qint64(recorder.snapshot().samples.size())}};
    QString dropped;
    const QString failure = writeCsv(recorder.snapshot(), request.out, dropped);
    if (!failure.isEmpty())
        return failed(ExitCode::Failed, failure, data);
    QString written = QStringLiteral("%1 samples written to %2")
                          .arg(data["samples"].toInteger())
                          .arg(request.out);
    if (!dropped.isEmpty())
        written += "; " + dropped;
    if (end == WaitEnd::ModuleVanished)
        return failed(ExitCode::Failed,
                      QStringLiteral("%1; %2").arg(outcome::kModuleVanished, written), data);
    if (end == WaitEnd::Interrupted)
        return failed(ExitCode::Failed, QStringLiteral("%1; %2").arg(interrupted, written), data);
    return succeeded(written, data);
}

} // namespace cli
