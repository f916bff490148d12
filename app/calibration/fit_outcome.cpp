// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/fit_outcome.h"

#include "calibration/calibration_report.h"
#include "calibration/fit_limits.h"
#include "calibration/verification.h"

#include <QStringList>

namespace calibration {

namespace {

QString numbers(const Eigen::Vector3d &v)
{
    return QStringLiteral("%1 %2 %3")
        .arg(v.x(), 9, 'f', 4)
        .arg(v.y(), 9, 'f', 4)
        .arg(v.z(), 9, 'f', 4);
}

QString matrixRows(const Eigen::Matrix3d &m)
{
    return numbers(m.row(0).transpose()) + "\n\t" + numbers(m.row(1).transpose()) + "\n\t" +
           numbers(m.row(2).transpose());
}

QString chipName(std::size_t chip)
{
    return QStringLiteral("Accelerometer of chip %1").arg(chip + 1);
}

// The name and the quality figures on one line for the log; for the wizard's
// narrow pane each on a line of its own.
template <class Result>
QString summary(const QString &name, const Result &result, bool shown = false)
{
    QString quality = qualityText(result.quality);
    QString text = shown ? name + ":\n" + quality.replace("; ", "\n") : name + ": " + quality;
    if (!result.fit)
        text += "\nNot fitted: " + QString::fromStdString(result.refusal);
    return text + "\n";
}

QString magnetometerText(const MagnetometerResult &result)
{
    const QString text = summary("Magnetometer", result, true);
    if (!result.fit)
        return text;
    const MagnetometerFit &fit = *result.fit;
    return text + "bias:\t" + numbers(fit.bias) + "\nmatrix:\t" + matrixRows(fit.matrix) +
           "\nradii:\t" + numbers(fit.radii) +
           QStringLiteral("\nfield:\t%1 uT\n").arg(fit.fieldStrength, 0, 'f', 2);
}

QString accelerometerText(std::size_t chip, const AccelerometerResult &result)
{
    QString text = summary(chipName(chip), result, true);
    if (!result.fit)
        return text;
    if (!result.note.empty())
        text += QString::fromStdString(result.note) + "\n";
    return text + "bias:\t" + numbers(result.fit->bias) + "\nmatrix:\t" +
           matrixRows(result.fit->matrix) + "\n";
}

// Of each fit made: its summary, or its full text with the numbers.
QStringList fitTexts(const FitOutcome &outcome, bool withNumbers)
{
    QStringList texts;
    if (const auto &result = outcome.magnetometer)
        texts << (withNumbers ? magnetometerText(*result) : summary("Magnetometer", *result));
    for (std::size_t chip = 0; chip < outcome.chips.size(); ++chip) {
        if (const auto &result = outcome.chips[chip])
            texts << (withNumbers ? accelerometerText(chip, *result)
                                  : summary(chipName(chip), *result));
    }
    return texts;
}

} // namespace

bool FitOutcome::writable() const
{
    if (choice.sensor == Sensor::Magnetometer)
        return magnetometer && magnetometer->fit;
    for (std::size_t chip = 0; chip < chips.size(); ++chip) {
        if (choice.chips[chip] && !(chips[chip] && chips[chip]->fit))
            return false;
    }
    return true;
}

Fits FitOutcome::fits() const
{
    const auto fitOf = [](const auto &result) { return result ? result->fit : std::nullopt; };
    return {fitOf(chips[0]), fitOf(chips[1]), fitOf(magnetometer)};
}

FitOutcome runFits(const FitInput &input)
{
    FitOutcome outcome{input.choice, {}, {}};
    if (input.choice.sensor == Sensor::Magnetometer) {
        outcome.magnetometer = fitMagnetometer(input.magnetometer);
        return outcome;
    }
    for (std::size_t chip = 0; chip < outcome.chips.size(); ++chip) {
        if (input.choice.chips[chip])
            outcome.chips[chip] = fitAccelerometer(input.poses[chip]);
    }
    return outcome;
}

QString outcomeText(const FitOutcome &outcome)
{
    return fitTexts(outcome, true).join("").trimmed();
}

QString outcomeLogLine(const FitOutcome &outcome)
{
    return "Calibration fit: " + fitTexts(outcome, false).join("").trimmed().replace('\n', "; ");
}

bool checkedOnStream(const Choice &choice)
{
    return choice.sensor == Sensor::Magnetometer || choice.chips[0];
}

QString verdictText(const FitOutcome &outcome, const std::vector<Eigen::Vector3d> &calibrated,
                    double sampleRate)
{
    const QString chip2 = QStringLiteral("Chip 2 verified by read-back only: the module's stream "
                                         "reports chip 1.");
    if (outcome.magnetometer)
        return "Magnetometer " +
               QString::fromStdString(
                   verifyMagnetometer(calibrated,
                                      outcome.magnetometer->quality.spreadAfterPercent.value_or(0))
                       .text);
    if (!outcome.chips[0])
        return chip2;
    const double worstMg = worstErrorMg(outcome.chips[0]->quality.errorAfterMg);
    const QString chip1 =
        "Chip 1 " +
        QString::fromStdString(
            verifyAccelerometer(calibrated, sampleRate, kStandardGravity, worstMg).text);
    return outcome.chips[1] ? chip1 + "\n" + chip2 : chip1;
}

} // namespace calibration
