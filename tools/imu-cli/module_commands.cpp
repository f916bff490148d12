#include "module_commands.h"

#include "bootloaderwatch.h"
#include "calibrationjson.h"
#include "calibrationsets.h"
#include "calibrationtext.h"
#include "commandoutcome.h"
#include "identitycommands.h"
#include "outcometexts.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QSaveFile>
#include <QTimer>

#include <atomic>

namespace cli {

namespace {

using commandoutcome::textFor;

std::atomic<bool> interruptionRequested{false};

Outcome fromTexts(bool done, const commandoutcome::Texts &texts)
{
    return {done ? ExitCode::Ok : ExitCode::Failed, textFor(done, texts), {}};
}

// Samples interleaved with the answers are harmless, but the window stops the
// stream before exchanging calibration data, and so does the command line.
void stopStream(IMUserial::IMUSerial &device)
{
    commandoutcome::run([&] { return device.stop_data_ransmission(); });
}

QJsonArray floats(const float (&values)[3])
{
    return {values[0], values[1], values[2]};
}

QString missingSets(const calibrationsets::StoredSets &stored)
{
    QStringList missing;
    if (!stored.imu1)
        missing << "IMU1";
    if (!stored.imu2)
        missing << "IMU2";
    if (!stored.mag)
        missing << "MAG";
    return missing.join(", ") + " calibration data could not be read";
}

} // namespace

Outcome readVersion(IMUserial::IMUSerial &device)
{
    const std::optional<QString> version = identity::readVersion(device);
    if (!version)
        return failed(ExitCode::Failed, outcometexts::versionFailed);
    return succeeded(outcometexts::versionRead + *version, {{"version", *version}});
}

Outcome readSerialNumber(IMUserial::IMUSerial &device)
{
    const std::optional<QString> sn = identity::readSerialNumber(device);
    if (!sn)
        return failed(ExitCode::Failed, outcometexts::serialNumberReadFailed);
    return succeeded(outcometexts::serialNumberRead + *sn, {{"serial_number", *sn}});
}

Outcome writeSerialNumber(IMUserial::IMUSerial &device, const QString &text)
{
    if (!identity::writeSerialNumber(device, text))
        return failed(ExitCode::Failed, outcometexts::serialNumberWriteFailed);
    return succeeded(outcometexts::serialNumberWritten + text, {{"serial_number", text}});
}

Outcome readCalibration(IMUserial::IMUSerial &device, const QString &file)
{
    stopStream(device);
    const calibrationsets::StoredSets stored = calibrationsets::readStoredSets(device);
    if (!stored.complete())
        return failed(ExitCode::Failed, missingSets(stored));
    const QByteArray json = calibrationjson::toJson({*stored.imu1, *stored.imu2, *stored.mag});
    if (file.isEmpty())
        return succeeded(QString::fromUtf8(json).trimmed());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(json) != json.size() || !out.commit())
        return failed(ExitCode::Failed, file + ": " + out.errorString());
    return succeeded("Calibration data written to " + file, {{"file", file}});
}

Outcome writeCalibration(IMUserial::IMUSerial &device, const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return failed(ExitCode::Usage, file + ": " + in.errorString());
    const calibrationjson::Parsed parsed = calibrationjson::fromJson(in.readAll());
    if (!parsed.sets)
        return failed(ExitCode::Usage, file + ": " + parsed.error);
    stopStream(device);
    return fromTexts(calibrationsets::writeAndVerify(device, *parsed.sets),
                     outcometexts::writeCalibration);
}

Outcome clearCalibration(IMUserial::IMUSerial &device)
{
    stopStream(device);
    return fromTexts(calibrationsets::writeAndVerify(device, calibrationtext::neutralSets()),
                     outcometexts::clearCalibration);
}

Outcome measureGyroBias(IMUserial::IMUSerial &device, double holdSeconds, const Console &console)
{
    stopStream(device);
    if (!commandoutcome::run([&] { return device.startGyrBiasCalibration(); }))
        return fromTexts(false, outcometexts::startGyroBias);
    console.notice(QStringLiteral("Keep the module still for %1 s").arg(holdSeconds));
    const WaitEnd end = waitWhileOpen(device, holdSeconds, [&](double elapsed) {
        console.progress(
            QStringLiteral("holding still: %1 of %2 s").arg(int(elapsed)).arg(holdSeconds));
    });
    if (end == WaitEnd::ModuleVanished)
        return failed(ExitCode::Failed, outcometexts::moduleVanished);
    // Interrupted too: the module must not be left measuring.
    if (!commandoutcome::run([&] { return device.stopGyrBiasCalibration(); }))
        return fromTexts(false, outcometexts::stopGyroBias);
    if (end == WaitEnd::Interrupted)
        return failed(ExitCode::Failed, interrupted);
    const calibrationsets::StoredSets stored = calibrationsets::readStoredSets(device);
    if (!stored.imu1 || !stored.imu2)
        return failed(ExitCode::Failed, missingSets(stored));
    const float *bias = stored.imu1->gyr_bias;
    return succeeded(QStringLiteral("%1: %2 %3 %4")
                         .arg(outcometexts::stopGyroBias.success)
                         .arg(bias[0], 0, 'f', 4)
                         .arg(bias[1], 0, 'f', 4)
                         .arg(bias[2], 0, 'f', 4),
                     {{"gyr_bias1", floats(stored.imu1->gyr_bias)},
                      {"gyr_bias2", floats(stored.imu2->gyr_bias)}});
}

Outcome setQuaternionOffset(IMUserial::IMUSerial &device, bool record)
{
    if (record)
        return fromTexts(commandoutcome::run([&] { return device.RecordQuaternionOffset(); }),
                         outcometexts::recordQuaternionOffset);
    return fromTexts(commandoutcome::run([&] { return device.ResetQuaternionOffset(); }),
                     outcometexts::resetQuaternionOffset);
}

Outcome jumpToBootloader(IMUserial::IMUSerial &device)
{
    device.stopRecv();
    const bool refused = !commandoutcome::run([&] { return device.JumpDFU(); });
    // A module that refused and is still there stays in its application.
    if (refused && device.isDeivceOpen())
        return fromTexts(false, outcometexts::jumpToBootloader);
    device.closePort(0);
    BootloaderWatch watch;
    QEventLoop loop;
    bool appeared = false;
    QObject::connect(&watch, &BootloaderWatch::appeared, &loop, [&] {
        appeared = true;
        loop.quit();
    });
    QObject::connect(&watch, &BootloaderWatch::missing, &loop, &QEventLoop::quit);
    watch.start();
    loop.exec();
    return fromTexts(appeared, outcometexts::jumpToBootloader);
}

void requestInterruption()
{
    interruptionRequested = true;
}

WaitEnd waitWhileOpen(IMUserial::IMUSerial &device, double seconds,
                      const std::function<void(double elapsed)> &tick)
{
    constexpr int checkEveryMs = 100;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    WaitEnd end = WaitEnd::Elapsed;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        const double elapsed = double(clock.elapsed()) / 1000;
        if (!device.isDeivceOpen())
            end = WaitEnd::ModuleVanished;
        else if (interruptionRequested.exchange(false))
            end = WaitEnd::Interrupted;
        if (end != WaitEnd::Elapsed || elapsed >= seconds)
            loop.quit();
        else
            tick(elapsed);
    });
    check.start(std::min(checkEveryMs, int(seconds * 1000)));
    loop.exec();
    return end;
}

} // namespace cli
