// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibrate.h"

#include "module_commands.h"
#include "sample_listener.h"

#include "calibration/calibration_json.h"
#include "calibration/calibration_report.h"
#include "calibration/fit_limits.h"
#include "calibration/fitted_sets.h"
#include "calibration/verification.h"
#include "outcome/command_outcome.h"
#include "outcome/outcome_texts.h"
#include "recording/recording_file.h"
#include "recording/sample_rate.h"

#include <QElapsedTimer>
#include <QJsonArray>

#include <algorithm>
#include <map>
#include <mutex>

namespace cli {

namespace {

using calibration::StoredSets;
using Readings = std::vector<Eigen::Vector3d>;

constexpr double kDefaultMagnetometerSeconds = 60;
constexpr double kDefaultAccelerometerSeconds = 120;
// How long the calibrated stream is sampled to verify a written set.
constexpr double kVerifyingSeconds = 15;

Eigen::Vector3d vector(const IMUserial::vec3 &v)
{
    return {v.x, v.y, v.z};
}

// What the receive thread hands over: the raw readings of calibration mode
// and the calibrated ones of the normal stream.
class Collection : public SampleListener
{
public:
    void calibrationSample(const IMUserial::sensor_data_calibration &sample) override
    {
        const std::lock_guard lock(mutex_);
        mag_.push_back(vector(sample.mag));
        acc1_.push_back(vector(sample.acc1));
        acc2_.push_back(vector(sample.acc2));
    }
    void sample(const IMUserial::sensor_data &sample) override
    {
        const std::lock_guard lock(mutex_);
        calibratedMag_.push_back(vector(sample.mag));
        calibratedAcc_.push_back(vector(sample.acc));
    }

    Readings mag() const { return copy(mag_); }
    Readings acc(int chip) const { return copy(chip == 1 ? acc1_ : acc2_); }
    Readings calibratedMag() const { return copy(calibratedMag_); }
    Readings calibratedAcc() const { return copy(calibratedAcc_); }

private:
    Readings copy(const Readings &readings) const
    {
        const std::lock_guard lock(mutex_);
        return readings;
    }

    mutable std::mutex mutex_;
    Readings mag_, acc1_, acc2_, calibratedMag_, calibratedAcc_;
};

// Reception runs, and the collection listens, for the whole command.
class Session
{
public:
    explicit Session(IMUserial::IMUSerial &device) : device_(device)
    {
        listen(&collection_);
        device_.startRecv();
    }
    ~Session()
    {
        device_.stopRecv();
        listen(nullptr);
    }

    const Collection &collection() const { return collection_; }

private:
    IMUserial::IMUSerial &device_;
    Collection collection_;
};

std::vector<int> chipsOf(ChipChoice choice)
{
    switch (choice) {
    case ChipChoice::First:
        return {1};
    case ChipChoice::Second:
        return {2};
    case ChipChoice::Both:
        break;
    }
    return {1, 2};
}

QString chipKey(int chip)
{
    return QStringLiteral("imu%1").arg(chip);
}

// Samples per second of `count` readings that arrived over `seconds`.
double rateOf(std::size_t count, double seconds)
{
    return seconds > 0 ? double(count) / seconds : 0;
}

// The sets as stored before the calibration, with the stream stopped as for
// every exchange of calibration data; they fill what a fit leaves out.
StoredSets storedSets(IMUserial::IMUSerial &device)
{
    outcome::run([&] { return device.stop_data_ransmission(); });
    return calibration::readStoredSets(device);
}

// Collects raw readings in calibration mode until `seconds` passed or `enough`
// holds; the module leaves calibration mode in any case.
std::optional<Outcome> collectRaw(IMUserial::IMUSerial &device, double seconds,
                                  const std::function<QString()> &progress,
                                  const std::function<bool()> &enough, const Console &console)
{
    if (!outcome::run([&] { return device.enterCalibrationMode(); }))
        return failed(ExitCode::Failed, outcome::kEnterCalibrationMode.failure);
    const WaitEnd end = waitWhileOpen(
        device, seconds,
        [&](double elapsed) {
            console.progress(QStringLiteral("collecting: %1 of %2 s, %3")
                                 .arg(int(elapsed))
                                 .arg(seconds)
                                 .arg(progress()));
        },
        enough);
    if (end == WaitEnd::ModuleVanished)
        return failed(ExitCode::Failed, outcome::kModuleVanished);
    const bool left = outcome::run([&] { return device.exitCalibrationMode(); });
    if (end == WaitEnd::Interrupted)
        return failed(ExitCode::Failed, interrupted);
    if (!left)
        return failed(ExitCode::Failed, outcome::kExitCalibrationMode.failure);
    return std::nullopt;
}

// The readings `of` the calibrated stream, sampled for the check; none when
// the stream could not be started or the check was cut short.
std::optional<Readings> sampleCalibratedStream(IMUserial::IMUSerial &device,
                                               const Collection &collection,
                                               Readings (Collection::*of)() const,
                                               const QString &instruction, const Console &console)
{
    const std::size_t before = (collection.*of)().size();
    if (!outcome::run([&] { return device.start_data_ransmission(); }))
        return std::nullopt;
    console.notice(instruction);
    const WaitEnd end = waitWhileOpen(device, kVerifyingSeconds, [&](double elapsed) {
        console.progress(
            QStringLiteral("verifying: %1 of %2 s").arg(int(elapsed)).arg(kVerifyingSeconds));
    });
    if (end == WaitEnd::ModuleVanished)
        return std::nullopt;
    outcome::run([&] { return device.stop_data_ransmission(); });
    if (end != WaitEnd::Elapsed)
        return std::nullopt;
    Readings readings = (collection.*of)();
    readings.erase(readings.begin(), readings.begin() + std::ptrdiff_t(before));
    return readings;
}

QString numbers(const float *values, int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << QString::number(double(values[i]), 'f', 4);
    return texts.join(' ');
}

QStringList setLines(const StoredSets &sets)
{
    QStringList lines;
    for (int chip : {1, 2}) {
        const auto &set = chip == 1 ? sets.imu1 : sets.imu2;
        if (set)
            lines << QStringLiteral("%1 acc_bias %2; acc_mis %3")
                         .arg(chipKey(chip), numbers(set->acc_bias, 3), numbers(set->acc_mis, 9));
    }
    if (sets.mag)
        lines << QStringLiteral("mag mag_bias %1; mag_mis %2; mag_radii %3")
                     .arg(numbers(sets.mag->mag_bias, 3), numbers(sets.mag->mag_mis, 9),
                          numbers(sets.mag->mag_radii, 3));
    return lines;
}

// The common end of a calibration: the fitted sets written and verified, or
// shown only. `verify` samples the calibrated stream; it is empty when the
// stream cannot show the fitted sensor.
Outcome finish(IMUserial::IMUSerial &device, const calibration::Fits &fits,
               const StoredSets &stored, QStringList lines, QJsonObject data, bool write,
               const std::function<std::optional<calibration::Verification>()> &verify)
{
    const StoredSets fitted = calibration::fittedSets(fits, stored);
    data["sets"] = calibration::presentSetsObject(fitted);
    lines << setLines(fitted);
    data["written"] = false;
    data["verified"] = QJsonValue::Null;
    if (!write) {
        lines << QStringLiteral("not written (--write stores it)");
        return succeeded(lines.join('\n'), data);
    }
    const calibration::FittedWrite written = calibration::writeFitted(device, fits);
    lines << calibration::writtenText(written);
    if (written != calibration::FittedWrite::Verified)
        return failed(ExitCode::Failed, lines.join('\n'), data);
    data["written"] = true;
    if (!verify) {
        lines << QStringLiteral("chip 2 is verified by read-back only: the stream reports chip "
                                "1's accelerometer");
        return succeeded(lines.join('\n'), data);
    }
    const std::optional<calibration::Verification> verification = verify();
    if (!verification) {
        lines << QStringLiteral("not verified: the calibrated stream did not run");
        data["verified"] = false;
        return failed(ExitCode::Failed, lines.join('\n'), data);
    }
    lines << QString::fromStdString(verification->text);
    data["verified"] = verification->verified;
    data["verification"] = QString::fromStdString(verification->text);
    return {verification->verified ? ExitCode::Ok : ExitCode::Failed, lines.join('\n'), data};
}

Outcome refused(QStringList lines, const QStringList &reasons, QJsonObject data)
{
    lines << reasons;
    lines << QStringLiteral("nothing written");
    data["sets"] = QJsonObject{};
    data["written"] = false;
    data["verified"] = QJsonValue::Null;
    return failed(ExitCode::Failed, lines.join('\n'), data);
}

std::optional<calibration::Verification> verifyMagnetometer(IMUserial::IMUSerial &device,
                                                            const Collection &collection,
                                                            double predictedSpread,
                                                            const Console &console)
{
    const std::optional<Readings> readings = sampleCalibratedStream(
        device, collection, &Collection::calibratedMag,
        QStringLiteral("Keep turning the module: its calibrated stream is checked"), console);
    if (!readings)
        return std::nullopt;
    return calibration::verifyMagnetometer(*readings, predictedSpread);
}

std::optional<calibration::Verification> verifyAccelerometer(IMUserial::IMUSerial &device,
                                                             const Collection &collection,
                                                             double predictedWorstMg,
                                                             const Console &console)
{
    const std::optional<Readings> readings = sampleCalibratedStream(
        device, collection, &Collection::calibratedAcc,
        QStringLiteral("Hold the module still in a few poses: its calibrated stream is checked"),
        console);
    if (!readings)
        return std::nullopt;
    return calibration::verifyAccelerometer(*readings, rateOf(readings->size(), kVerifyingSeconds),
                                            calibration::kStandardGravity, predictedWorstMg);
}

// The accelerometer fits of `chips` from their still poses: lines, quality and
// the refusals.
struct AccelerometerFits
{
    calibration::Fits fits;
    QStringList lines;
    QJsonObject quality;
    calibration::AccelerometerQuality chip1; // what the calibrated stream can check
    QStringList refusals;
};

AccelerometerFits fitAccelerometers(const std::vector<int> &chips,
                                    const std::function<Readings(int chip)> &readings, double rate)
{
    AccelerometerFits out;
    for (int chip : chips) {
        const calibration::AccelerometerResult result =
            calibration::fitAccelerometer(calibration::findStillPoses(readings(chip), rate));
        out.lines << QStringLiteral("%1 accelerometer: %2")
                         .arg(chipKey(chip), calibration::qualityText(result.quality));
        if (!result.note.empty())
            out.lines << QString::fromStdString(result.note);
        out.quality[chipKey(chip)] = calibration::qualityObject(result.quality);
        if (chip == 1)
            out.chip1 = result.quality;
        if (!result.fit)
            out.refusals << chipKey(chip) + ": " + QString::fromStdString(result.refusal);
        (chip == 1 ? out.fits.imu1 : out.fits.imu2) = result.fit;
    }
    return out;
}

// A file has no module to read a chip's gyroscope part from: only the fitted
// fields are shown.
QJsonObject fittedFieldsOnly(QJsonObject sets)
{
    for (const char *chip : {"imu1", "imu2"}) {
        if (!sets.contains(chip))
            continue;
        QJsonObject set = sets[chip].toObject();
        set.remove("gyr_bias");
        set.remove("gyr_mis");
        sets[chip] = set;
    }
    return sets;
}

} // namespace

Outcome calibrateMagnetometer(IMUserial::IMUSerial &device, const CalibrationRequest &request,
                              const Console &console)
{
    const double seconds = request.seconds > 0 ? request.seconds : kDefaultMagnetometerSeconds;
    Session session(device);
    const Collection &collection = session.collection();
    const StoredSets stored = storedSets(device);
    console.notice(
        QStringLiteral("Turn the module slowly in every direction for %1 s").arg(seconds));
    const auto coverage = [&] {
        const Readings mag = collection.mag();
        return QStringLiteral("%1 readings, %2 % of directions")
            .arg(mag.size())
            .arg(calibration::directionsCovered(mag, calibration::boundingBoxCentre(mag)).percent(),
                 0, 'f', 0);
    };
    if (std::optional<Outcome> failure = collectRaw(device, seconds, coverage, {}, console))
        return *failure;

    const calibration::MagnetometerResult result = calibration::fitMagnetometer(collection.mag());
    const QStringList lines{"magnetometer: " + calibration::qualityText(result.quality)};
    const QJsonObject data{{"quality", QJsonObject{{"mag", qualityObject(result.quality)}}}};
    if (!result.fit)
        return refused(lines, {QString::fromStdString(result.refusal)}, data);
    return finish(device, {std::nullopt, std::nullopt, result.fit}, stored, lines, data,
                  request.write, [&] {
                      return verifyMagnetometer(device, collection,
                                                *result.quality.spreadAfterPercent, console);
                  });
}

Outcome calibrateAccelerometer(IMUserial::IMUSerial &device, const CalibrationRequest &request,
                               const Console &console)
{
    const double seconds = request.seconds > 0 ? request.seconds : kDefaultAccelerometerSeconds;
    const std::vector<int> chips = chipsOf(request.chips);
    Session session(device);
    const Collection &collection = session.collection();
    const StoredSets stored = storedSets(device);
    console.notice(QStringLiteral("Hold the module still in %1 different poses, a few seconds "
                                  "each: the six faces up and tilted between them")
                       .arg(request.poses));
    QElapsedTimer clock;
    clock.start();
    // Counted once a check, before the progress shows them.
    std::map<int, std::size_t> poses;
    const auto enough = [&] {
        for (int chip : chips) {
            const Readings readings = collection.acc(chip);
            poses[chip] = calibration::findStillPoses(
                              readings, rateOf(readings.size(), double(clock.elapsed()) / 1000))
                              .size();
        }
        return std::all_of(chips.begin(), chips.end(),
                           [&](int chip) { return poses[chip] >= std::size_t(request.poses); });
    };
    const auto progress = [&] {
        QStringList counts;
        for (int chip : chips)
            counts << QStringLiteral("%1: %2 poses").arg(chipKey(chip)).arg(poses[chip]);
        return counts.join(", ");
    };
    if (std::optional<Outcome> failure = collectRaw(device, seconds, progress, enough, console))
        return *failure;

    const double rate = rateOf(collection.acc(1).size(), double(clock.elapsed()) / 1000);
    const AccelerometerFits fitted = fitAccelerometers(
        chips, [&](int chip) { return collection.acc(chip); }, rate);
    const QJsonObject data{{"quality", fitted.quality}};
    if (!fitted.refusals.isEmpty())
        return refused(fitted.lines, fitted.refusals, data);
    std::function<std::optional<calibration::Verification>()> verify;
    if (fitted.fits.imu1) {
        const double predicted = calibration::worstErrorMg(fitted.chip1.errorAfterMg);
        verify = [&, predicted] {
            return verifyAccelerometer(device, collection, predicted, console);
        };
    }
    return finish(device, fitted.fits, stored, fitted.lines, data, request.write, verify);
}

Outcome fitRecording(const QString &file)
{
    const recording::OpenResult read = recording::openRecording(file);
    if (!read.recording)
        return failed(ExitCode::Usage, read.error);
    const std::vector<recording::CalibrationRecord> &records = read.recording->calibration;
    if (records.empty())
        return failed(ExitCode::Usage,
                      file + ": no calibration-mode records; fit the FILE-calibration.csv a "
                             "recording in calibration mode writes");
    const auto readingsOf = [&](const IMUserial::vec3 IMUserial::sensor_data_calibration::*field) {
        Readings readings;
        readings.reserve(records.size());
        for (const recording::CalibrationRecord &record : records)
            readings.push_back(vector(record.data.*field));
        return readings;
    };
    AccelerometerFits fitted = fitAccelerometers(
        {1, 2},
        [&](int chip) {
            return readingsOf(chip == 1 ? &IMUserial::sensor_data_calibration::acc1
                                        : &IMUserial::sensor_data_calibration::acc2);
        },
        recording::recordedRate(records));
    const calibration::MagnetometerResult mag =
        calibration::fitMagnetometer(readingsOf(&IMUserial::sensor_data_calibration::mag));
    fitted.lines.prepend("magnetometer: " + calibration::qualityText(mag.quality));
    fitted.quality["mag"] = calibration::qualityObject(mag.quality);
    if (!mag.fit)
        fitted.refusals.prepend("mag: " + QString::fromStdString(mag.refusal));
    fitted.fits.mag = mag.fit;

    const StoredSets sets = calibration::fittedSets(fitted.fits, {});
    const QJsonObject data{{"file", file},
                           {"quality", fitted.quality},
                           {"sets", fittedFieldsOnly(calibration::presentSetsObject(sets))},
                           {"refused", QJsonArray::fromStringList(fitted.refusals)}};
    // A recording folder's damage is told before what was fitted without it.
    QStringList lines = read.recording->damage + fitted.lines + fitted.refusals + setLines(sets);
    const bool any = sets.imu1 || sets.imu2 || sets.mag;
    return {any ? ExitCode::Ok : ExitCode::Failed, lines.join('\n'), data};
}

} // namespace cli
