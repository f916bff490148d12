// SPDX-License-Identifier: GPL-3.0-or-later
#include "module_commands.h"

#include "sample_listener.h"

#include "calibration/calibration_json.h"
#include "calibration/calibration_sets.h"
#include "calibration/calibration_text.h"
#include "firmware/bootloader_watch.h"
#include "identity/identity_commands.h"
#include "outcome/command_outcome.h"
#include "outcome/outcome_texts.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QSaveFile>
#include <QTimer>

#include <atomic>
#include <mutex>

namespace cli {

namespace {

using outcome::textFor;

std::atomic<bool> interruptionRequested{false};
// Every request counted, so that waits running side by side all see one.
std::atomic<unsigned> interruptions{0};

Outcome fromTexts(bool done, const outcome::Texts &texts)
{
    return {done ? ExitCode::Ok : ExitCode::Failed, textFor(done, texts), {}};
}

// Samples interleaved with the answers are harmless, but the window stops the
// stream before exchanging calibration data, and so does the command line.
void stopStream(IMUserial::IMUSerial &device)
{
    outcome::run([&] { return device.stop_data_ransmission(); });
}

QJsonArray floats(const float (&values)[3])
{
    return {values[0], values[1], values[2]};
}

QString missingSets(const calibration::StoredSets &stored)
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

std::unique_ptr<IMUserial::IMUSerial> openModule(const QString &port)
{
    static std::mutex opening;
    const std::lock_guard<std::mutex> lock(opening);
    qputenv("IMU_SERIAL_PORT", port.toLocal8Bit());
    auto device = std::make_unique<IMUserial::IMUSerial>(sampleArrived);
    device->calibrationCallback = calibrationSampleArrived;
    device->initPort(0);
    if (!device->isDeivceOpen())
        return nullptr;
    return device;
}

Outcome readVersion(IMUserial::IMUSerial &device)
{
    const std::optional<QString> version = identity::readVersion(device);
    if (!version)
        return failed(ExitCode::Failed, outcome::kVersionFailed);
    return succeeded(outcome::kVersionRead + *version, {{"version", *version}});
}

Outcome readSerialNumber(IMUserial::IMUSerial &device)
{
    const std::optional<QString> sn = identity::readSerialNumber(device);
    if (!sn)
        return failed(ExitCode::Failed, outcome::kSerialNumberReadFailed);
    return succeeded(outcome::kSerialNumberRead + *sn, {{"serial_number", *sn}});
}

Outcome writeSerialNumber(IMUserial::IMUSerial &device, const QString &text)
{
    if (!identity::writeSerialNumber(device, text))
        return failed(ExitCode::Failed, outcome::kSerialNumberWriteFailed);
    return succeeded(outcome::kSerialNumberWritten + text, {{"serial_number", text}});
}

Outcome readCalibration(IMUserial::IMUSerial &device, const QString &file)
{
    stopStream(device);
    const calibration::StoredSets stored = calibration::readStoredSets(device);
    if (!stored.complete())
        return failed(ExitCode::Failed, missingSets(stored));
    const QByteArray json = calibration::toJson({*stored.imu1, *stored.imu2, *stored.mag});
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
    const calibration::Parsed parsed = calibration::fromJson(in.readAll());
    if (!parsed.sets)
        return failed(ExitCode::Usage, file + ": " + parsed.error);
    stopStream(device);
    return fromTexts(calibration::writeAndVerify(device, *parsed.sets), outcome::kWriteCalibration);
}

Outcome clearCalibration(IMUserial::IMUSerial &device)
{
    stopStream(device);
    return fromTexts(calibration::writeAndVerify(device, calibration::neutralSets()),
                     outcome::kClearCalibration);
}

Outcome measureGyroBias(IMUserial::IMUSerial &device, double holdSeconds, const Console &console)
{
    stopStream(device);
    if (!outcome::run([&] { return device.startGyrBiasCalibration(); }))
        return fromTexts(false, outcome::kStartGyroBias);
    console.notice(QStringLiteral("Keep the module still for %1 s").arg(holdSeconds));
    const WaitEnd end = waitWhileOpen(device, holdSeconds, [&](double elapsed) {
        console.progress(
            QStringLiteral("holding still: %1 of %2 s").arg(int(elapsed)).arg(holdSeconds));
    });
    if (end == WaitEnd::ModuleVanished)
        return failed(ExitCode::Failed, outcome::kModuleVanished);
    // Interrupted too: the module must not be left measuring.
    if (!outcome::run([&] { return device.stopGyrBiasCalibration(); }))
        return fromTexts(false, outcome::kStopGyroBias);
    if (end == WaitEnd::Interrupted)
        return failed(ExitCode::Failed, interrupted);
    const calibration::StoredSets stored = calibration::readStoredSets(device);
    if (!stored.imu1 || !stored.imu2)
        return failed(ExitCode::Failed, missingSets(stored));
    const float *bias = stored.imu1->gyr_bias;
    return succeeded(QStringLiteral("%1: %2 %3 %4")
                         .arg(outcome::kStopGyroBias.success)
                         .arg(bias[0], 0, 'f', 4)
                         .arg(bias[1], 0, 'f', 4)
                         .arg(bias[2], 0, 'f', 4),
                     {{"gyr_bias1", floats(stored.imu1->gyr_bias)},
                      {"gyr_bias2", floats(stored.imu2->gyr_bias)}});
}

Outcome setQuaternionOffset(IMUserial::IMUSerial &device, bool record)
{
    if (record)
        return fromTexts(outcome::run([&] { return device.RecordQuaternionOffset(); }),
                         outcome::kRecordQuaternionOffset);
    return fromTexts(outcome::run([&] { return device.ResetQuaternionOffset(); }),
                     outcome::kResetQuaternionOffset);
}

Outcome jumpToBootloader(IMUserial::IMUSerial &device)
{
    device.stopRecv();
    const bool refused = !outcome::run([&] { return device.JumpDFU(); });
    // A module that refused and is still there stays in its application.
    if (refused && device.isDeivceOpen())
        return fromTexts(false, outcome::kJumpToBootloader);
    device.closePort(0);
    return fromTexts(bootloaderAppears(), outcome::kJumpToBootloader);
}

bool bootloaderAppears(const QString &serialNumber)
{
    firmware::BootloaderWatch watch;
    QEventLoop loop;
    bool appeared = false;
    QObject::connect(&watch, &firmware::BootloaderWatch::appeared, &loop, [&] {
        appeared = true;
        loop.quit();
    });
    QObject::connect(&watch, &firmware::BootloaderWatch::missing, &loop, &QEventLoop::quit);
    watch.start(firmware::BootloaderWatch::kDefaultTimeoutMs, serialNumber);
    loop.exec();
    return appeared;
}

void requestInterruption()
{
    interruptionRequested = true;
    ++interruptions;
}

unsigned interruptionsSoFar()
{
    return interruptions.load();
}

WaitEnd waitWhileOpen(IMUserial::IMUSerial &device, double seconds,
                      const std::function<void(double elapsed)> &tick,
                      const std::function<bool()> &enough)
{
    constexpr int checkEveryMs = 100;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    WaitEnd end = WaitEnd::Elapsed;
    const unsigned before = interruptionsSoFar();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        const double elapsed = double(clock.elapsed()) / 1000;
        if (!device.isDeivceOpen())
            end = WaitEnd::ModuleVanished;
        else if (interruptionRequested.exchange(false) || interruptionsSoFar() != before)
            end = WaitEnd::Interrupted;
        if (end != WaitEnd::Elapsed || elapsed >= seconds || (enough && enough()))
            loop.quit();
        else
            tick(elapsed);
    });
    check.start(std::min(checkEveryMs, int(seconds * 1000)));
    loop.exec();
    return end;
}

} // namespace cli
