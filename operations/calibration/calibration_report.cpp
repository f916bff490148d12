// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_report.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace calibration {

namespace {

QJsonArray array(const std::vector<double> &values)
{
    QJsonArray out;
    for (double value : values)
        out.append(value);
    return out;
}

QJsonValue orNull(const std::optional<double> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

QString writtenText(FittedWrite result)
{
    switch (result) {
    case FittedWrite::Verified:
        return QStringLiteral("Calibration written and read back.");
    case FittedWrite::NotReadFirst:
        return QStringLiteral("The stored calibration could not be read first: nothing written.");
    case FittedWrite::NotTaken:
        break;
    }
    return QStringLiteral("Calibration not taken: the module refused it or read it back "
                          "different.");
}

double worstErrorMg(const std::vector<double> &errorsMg)
{
    double worst = 0;
    for (double error : errorsMg)
        worst = std::max(worst, std::abs(error));
    return worst;
}

QJsonObject qualityObject(const MagnetometerQuality &quality)
{
    return {{"points", qint64(quality.points)},
            {"spread_before_percent", quality.spreadBeforePercent},
            {"spread_after_percent", orNull(quality.spreadAfterPercent)},
            {"coverage_percent", quality.coveragePercent},
            {"condition", quality.condition}};
}

QJsonObject qualityObject(const AccelerometerQuality &quality)
{
    const bool fitted = !quality.errorAfterMg.empty();
    return {{"poses", qint64(quality.poses)},
            {"spread", quality.spread},
            {"error_before_mg", array(quality.errorBeforeMg)},
            {"error_after_mg", array(quality.errorAfterMg)},
            {"worst_before_mg", worstErrorMg(quality.errorBeforeMg)},
            {"worst_after_mg", fitted ? QJsonValue(worstErrorMg(quality.errorAfterMg))
                                      : QJsonValue(QJsonValue::Null)}};
}

QString qualityText(const MagnetometerQuality &quality)
{
    QString text = QStringLiteral("%1 readings, %2 % of directions covered, condition %3; |B| "
                                  "spread %4 % before")
                       .arg(quality.points)
                       .arg(quality.coveragePercent, 0, 'f', 0)
                       .arg(quality.condition, 0, 'g', 3)
                       .arg(quality.spreadBeforePercent, 0, 'f', 2);
    if (quality.spreadAfterPercent)
        text += QStringLiteral(", %1 % after").arg(*quality.spreadAfterPercent, 0, 'f', 2);
    return text;
}

QString qualityText(const AccelerometerQuality &quality)
{
    QString text = QStringLiteral("%1 still poses, spread %2; worst |a| - g %3 mg before")
                       .arg(quality.poses)
                       .arg(quality.spread, 0, 'f', 2)
                       .arg(worstErrorMg(quality.errorBeforeMg), 0, 'f', 1);
    if (!quality.errorAfterMg.empty())
        text += QStringLiteral(", %1 mg after").arg(worstErrorMg(quality.errorAfterMg), 0, 'f', 2);
    return text;
}

} // namespace calibration
