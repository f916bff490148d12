// SPDX-License-Identifier: GPL-3.0-or-later
#include "record.h"

#include "module_commands.h"
#include "outcome/command_outcome.h"
#include "outcome/outcome_texts.h"
#include "recording/csv_export.h"
#include "recording/recorder.h"
#include "sample_listener.h"
#include "stream/missed_samples.h"

#include <QEventLoop>

namespace cli {

namespace {

// A recording and the samples missed in it.
struct Capture : SampleListener
{
    Capture(const IMUserial::IMUSerial &device, const recording::SpoolNoticeHandler &onNotice)
        : recorder({}, onNotice), missed(device)
    {
    }

    void sample(const IMUserial::sensor_data &data) override
    {
        recorder.recordSample(data, missed.beforeRecord());
    }
    void calibrationSample(const IMUserial::sensor_data_calibration &data) override
    {
        recorder.recordCalibration(data, missed.beforeRecord());
    }

    recording::Recorder recorder;
    stream::MissedSampleTally<IMUserial::IMUSerial> missed;
};

// The JSON value and the words of the missed samples; null when the library
// does not count them.
std::pair<QJsonValue, QString> missedReport(const Capture &capture)
{
    const std::optional<std::uint64_t> missed = capture.missed.sinceRestart();
    if (!missed)
        return {QJsonValue::Null, QStringLiteral("missed samples not reported")};
    return {qint64(*missed), QStringLiteral("%1 missed").arg(*missed)};
}

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

Outcome record(IMUserial::IMUSerial &device, const RecordRequest &request, const Console &console)
{
    if (request.rate) {
        IMUserial::DATARATE rate = *request.rate;
        if (!outcome::run([&] { return device.set_data_rate(&rate); }))
            return failed(ExitCode::Failed, "Set data rate FAIL");
    }
    Capture capture(device, [&](const recording::SpoolNotice &notice) {
        console.notice(recording::noticeLine(notice));
    });
    recording::Recorder &recorder = capture.recorder;
    recorder.start();
    listen(&capture);
    device.startRecv();
    const outcome::Texts &starting =
        request.raw ? outcome::kEnterCalibrationMode : outcome::kStartStream;
    const bool started = request.raw
                             ? outcome::run([&] { return device.enterCalibrationMode(); })
                             : outcome::run([&] { return device.start_data_ransmission(); });
    WaitEnd end = WaitEnd::Elapsed;
    if (started) {
        end = waitWhileOpen(device, request.seconds, [&](double elapsed) {
            console.progress(
                QStringLiteral("recording: %1 of %2 s").arg(int(elapsed)).arg(request.seconds));
        });
        if (end != WaitEnd::ModuleVanished && request.raw)
            outcome::run([&] { return device.exitCalibrationMode(); });
        else if (end != WaitEnd::ModuleVanished)
            outcome::run([&] { return device.stop_data_ransmission(); });
    }
    // Once reception has stopped no callback runs any more.
    device.stopRecv();
    listen(nullptr);
    recorder.stop();
    if (!started)
        return failed(ExitCode::Failed, starting.failure);

    const auto [missed, missedWords] = missedReport(capture);
    const qint64 records = request.raw ? qint64(recorder.snapshot().calibration.size())
                                       : qint64(recorder.snapshot().samples.size());
    const QString file = request.raw ? recording::calibrationPathFor(request.out) : request.out;
    const QJsonObject data{{"file", file},
                           {request.raw ? "calibration_records" : "samples", records},
                           {"missed", missed}};
    QString dropped;
    const QString failure = writeCsv(recorder.snapshot(), request.out, dropped);
    if (!failure.isEmpty())
        return failed(ExitCode::Failed, failure, data);
    QString written = QStringLiteral("%1 %2 written to %3, %4")
                          .arg(records)
                          .arg(request.raw ? "calibration-mode records" : "samples")
                          .arg(file, missedWords);
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
