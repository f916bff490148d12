// SPDX-License-Identifier: GPL-3.0-or-later
#include "analyze.h"

#include "noise/noise_analysis.h"
#include "noise/recording_channels.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QSaveFile>

#include <cmath>
#include <mutex>

namespace cli {

namespace {

using noise::Sensor;

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
constexpr char kAxisNames[] = "xyz";

QString sensorName(Sensor sensor)
{
    return sensor == Sensor::Gyroscope ? QStringLiteral("gyroscope")
                                       : QStringLiteral("accelerometer");
}

// The units of N, B and K of a sensor's readings.
struct ParameterUnits
{
    QString whiteNoise;
    QString biasInstability;
    QString randomWalk;
};

ParameterUnits unitsOf(Sensor sensor)
{
    if (sensor == Sensor::Gyroscope)
        return {"deg/s/sqrt(Hz)", "deg/s", "deg/s^2/sqrt(Hz)"};
    return {"m/s^2/sqrt(Hz)", "m/s^2", "m/s^3/sqrt(Hz)"};
}

QJsonObject parameterObject(const noise::ReadParameter &parameter, const QString &unit)
{
    if (!parameter.value)
        return {{"value", QJsonValue::Null},
                {"not_resolved", QString::fromStdString(parameter.notResolved)}};
    return {{"value", *parameter.value},
            {"unit", unit},
            {"tau_from", parameter.tauFrom},
            {"tau_to", parameter.tauTo}};
}

QJsonObject curveObject(const noise::AllanCurve &curve)
{
    QJsonArray tau, deviation, error;
    for (const noise::AllanPoint &point : curve) {
        tau.append(point.tau);
        deviation.append(point.deviation);
        error.append(point.error);
    }
    return {{"tau", tau}, {"adev", deviation}, {"error", error}};
}

QJsonObject axisObject(const noise::ChannelAnalysis &channel)
{
    const ParameterUnits units = unitsOf(channel.sensor);
    const noise::NoiseParameters &p = channel.parameters;
    QJsonObject bias = parameterObject(p.biasInstability, units.biasInstability);
    if (p.biasInstability.value)
        bias["tau"] = p.biasInstabilityTau;
    return {{"noise_density", parameterObject(p.whiteNoise, units.whiteNoise)},
            {"bias_instability", bias},
            {"random_walk", parameterObject(p.randomWalk, units.randomWalk)},
            {"curve", curveObject(channel.curve)}};
}

// {"1": {"gyroscope": {"unit", "x": {...}, ...}, ...}, ...}
QJsonObject chipsObject(const noise::Analysis &analysis)
{
    QJsonObject chips;
    for (const noise::ChannelAnalysis &channel : analysis.channels) {
        const QString chip = QString::number(channel.chip);
        QJsonObject sensors = chips[chip].toObject();
        QJsonObject sensor = sensors[sensorName(channel.sensor)].toObject();
        sensor["unit"] = noise::unitOf(channel.sensor);
        sensor[QString(kAxisNames[channel.axis])] = axisObject(channel);
        sensors[sensorName(channel.sensor)] = sensor;
        chips[chip] = sensors;
    }
    return chips;
}

QString valueText(const noise::ReadParameter &parameter)
{
    return parameter.value ? QString::number(*parameter.value, 'g', 3)
                           : QStringLiteral("not resolved");
}

QStringList tableLines(const noise::Analysis &analysis)
{
    QStringList lines;
    const noise::ChannelAnalysis *previous = nullptr;
    for (const noise::ChannelAnalysis &channel : analysis.channels) {
        if (!previous || previous->chip != channel.chip || previous->sensor != channel.sensor) {
            const ParameterUnits units = unitsOf(channel.sensor);
            lines << QStringLiteral("chip %1 %2: N [%3], B [%4] at tau [s], K [%5]")
                         .arg(channel.chip)
                         .arg(sensorName(channel.sensor), units.whiteNoise, units.biasInstability,
                              units.randomWalk);
        }
        const noise::NoiseParameters &p = channel.parameters;
        const QString tau = p.biasInstability.value
                                ? QStringLiteral(" at %1").arg(p.biasInstabilityTau, 0, 'g', 3)
                                : QString();
        lines << QStringLiteral("  %1  N %2  B %3%4  K %5")
                     .arg(kAxisNames[channel.axis])
                     .arg(valueText(p.whiteNoise), valueText(p.biasInstability), tau,
                          valueText(p.randomWalk));
        previous = &channel;
    }
    return lines;
}

// The mean of a chip sensor's three axes, each an estimate of its own, as
// the IMU file holds one figure per sensor; none unless every axis resolved it.
std::optional<double> axesMean(const noise::Analysis &analysis, int chip, Sensor sensor,
                               noise::ReadParameter noise::NoiseParameters::*parameter,
                               QString &missing)
{
    double sum = 0;
    int axes = 0;
    for (const noise::ChannelAnalysis &channel : analysis.channels) {
        if (channel.chip != chip || channel.sensor != sensor)
            continue;
        ++axes;
        const noise::ReadParameter &read = channel.parameters.*parameter;
        if (!read.value) {
            missing = QStringLiteral("chip %1 %2 %3: %4")
                          .arg(chip)
                          .arg(sensorName(sensor))
                          .arg(kAxisNames[channel.axis])
                          .arg(QString::fromStdString(read.notResolved));
            return std::nullopt;
        }
        sum += *read.value;
    }
    if (axes == 0) {
        missing = QStringLiteral("the recording has no chip %1").arg(chip);
        return std::nullopt;
    }
    return sum / axes;
}

// The four noise figures of a Kalibr IMU file, in SI units, and its rate.
QString writeKalibr(const noise::Analysis &analysis, const NoiseRequest &request)
{
    QString missing;
    using P = noise::NoiseParameters;
    const auto accNoise =
        axesMean(analysis, request.chip, Sensor::Accelerometer, &P::whiteNoise, missing);
    const auto accWalk =
        axesMean(analysis, request.chip, Sensor::Accelerometer, &P::randomWalk, missing);
    const auto gyrNoise =
        axesMean(analysis, request.chip, Sensor::Gyroscope, &P::whiteNoise, missing);
    const auto gyrWalk =
        axesMean(analysis, request.chip, Sensor::Gyroscope, &P::randomWalk, missing);
    if (!(accNoise && accWalk && gyrNoise && gyrWalk))
        return request.kalibr + " not written: " + missing;
    const QString text =
        QStringLiteral("# IMU noise of chip %1 from %2, the mean of the three axes\n"
                       "accelerometer_noise_density: %3  # m/s^2/sqrt(Hz)\n"
                       "accelerometer_random_walk: %4  # m/s^3/sqrt(Hz)\n"
                       "gyroscope_noise_density: %5  # rad/s/sqrt(Hz)\n"
                       "gyroscope_random_walk: %6  # rad/s^2/sqrt(Hz)\n"
                       "update_rate: %7  # Hz\n")
            .arg(request.chip)
            .arg(QFileInfo(request.file).fileName())
            .arg(*accNoise, 0, 'e', 4)
            .arg(*accWalk, 0, 'e', 4)
            .arg(*gyrNoise * kRadiansPerDegree, 0, 'e', 4)
            .arg(*gyrWalk * kRadiansPerDegree, 0, 'e', 4)
            .arg(analysis.rate, 0, 'g', 6);
    QSaveFile out(request.kalibr);
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return request.kalibr + " not written: " + out.errorString();
    return {};
}

} // namespace

Outcome analyzeNoise(const NoiseRequest &request, const Console &console)
{
    QString file;
    const noise::ChannelsRead channels = noise::channelsOfFile(request.file, &file);
    if (!channels.recorded)
        return failed(ExitCode::Usage, channels.error);
    const double rate = request.rate.value_or(channels.recorded->rate);

    std::mutex progressMutex;
    noise::AnalysisControl control;
    control.progress = [&](double done) {
        const std::lock_guard lock(progressMutex);
        console.progress(QStringLiteral("analysing: %1 %").arg(int(done * 100)));
    };
    const noise::Analysis analysis = noise::analyse(channels.recorded->channels, rate, control);

    QJsonObject data{{"file", file},
                     {"rate", analysis.rate},
                     {"seconds", analysis.seconds},
                     {"raw", channels.recorded->raw},
                     {"chips", chipsObject(analysis)}};
    QStringList lines{
        QStringLiteral("%1: %2 channels, %3 s at %4 samples/s%5")
            .arg(QFileInfo(file).fileName())
            .arg(analysis.channels.size())
            .arg(analysis.seconds, 0, 'f', 0)
            .arg(analysis.rate, 0, 'g', 6)
            .arg(channels.recorded->raw ? ", both chips raw" : ", chip 1 calibrated")};
    lines << tableLines(analysis);
    if (request.kalibr.isEmpty())
        return succeeded(lines.join('\n'), data);
    const QString kalibrFailure = writeKalibr(analysis, request);
    if (!kalibrFailure.isEmpty())
        return failed(ExitCode::Failed, (lines << kalibrFailure).join('\n'), data);
    data["kalibr"] = request.kalibr;
    lines << QStringLiteral("chip %1's noise written to %2").arg(request.chip).arg(request.kalibr);
    return succeeded(lines.join('\n'), data);
}

} // namespace cli
