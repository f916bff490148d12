// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_report.h"

#include "files/saved_file.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

namespace cli {

namespace {

// RFC 4180: a field with a comma, a quote or a line break is quoted, its
// quotes doubled.
QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    field.replace('"', "\"\"");
    return '"' + field + '"';
}

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// A unit ID is a USB string the device chose: anything but letters, digits,
// '-' and '_' is replaced, so that it names a file inside the folder.
QString reportFileName(QString unitId)
{
    for (QChar &c : unitId)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != '-' && c != '_')
            c = '_';
    return unitId + ".json";
}

double unitSeconds(const UnitRecord &unit)
{
    double seconds = 0;
    for (const StepRecord &step : unit.steps)
        seconds += step.seconds;
    return seconds;
}

} // namespace

bool UnitRecord::passed() const
{
    return failedStep().isEmpty();
}

QString UnitRecord::failedStep() const
{
    if (!refusal.isEmpty())
        return QStringLiteral("refused");
    for (const StepRecord &step : steps)
        if (!step.passed)
            return step.step;
    return {};
}

QString UnitRecord::reason() const
{
    if (!refusal.isEmpty())
        return refusal;
    for (const StepRecord &step : steps)
        if (!step.passed)
            return step.reason;
    return {};
}

QJsonObject unitJson(const UnitRecord &unit)
{
    QJsonArray steps;
    for (const StepRecord &step : unit.steps)
        steps.append(QJsonObject{{"step", step.step},
                                 {"outcome", step.passed ? "passed" : "failed"},
                                 {"reason", step.reason},
                                 {"start", timeText(step.start)},
                                 {"seconds", step.seconds}});
    QJsonObject report{
        {"uid", unit.unitId},
        {"port", unit.port},
        {"outcome", unit.passed() ? "passed" : "failed"},
        {"failed_step", unit.failedStep()},
        {"reason", unit.reason()},
        {"before",
         QJsonObject{{"serial_number", unit.serialNumberBefore}, {"version", unit.versionBefore}}},
        {"after",
         QJsonObject{{"serial_number", unit.serialNumberAfter}, {"version", unit.versionAfter}}},
        {"steps", steps},
    };
    if (!unit.image.name.isEmpty())
        report["image"] = QJsonObject{{"name", unit.image.name}, {"sha256", unit.image.sha256}};
    return report;
}

QByteArray summaryCsv(const QList<UnitRecord> &units)
{
    QByteArray csv = "uid,port,outcome,failed_step,reason,serial_number_before,"
                     "serial_number_after,version_before,version_after,image,image_sha256,"
                     "seconds\n";
    for (const UnitRecord &unit : units) {
        const QStringList fields{unit.unitId,
                                 unit.port,
                                 unit.passed() ? "passed" : "failed",
                                 unit.failedStep(),
                                 unit.reason(),
                                 unit.serialNumberBefore,
                                 unit.serialNumberAfter,
                                 unit.versionBefore,
                                 unit.versionAfter,
                                 unit.image.name,
                                 unit.image.sha256,
                                 QString::number(unitSeconds(unit), 'f', 3)};
        QList<QByteArray> row;
        for (const QString &field : fields)
            row.append(csvField(field));
        csv += row.join(',') + '\n';
    }
    return csv;
}

QString StationReport::prepare() const
{
    if (folder_.isEmpty() || QDir().mkpath(folder_))
        return {};
    return "cannot create the report folder " + folder_;
}

QString StationReport::add(const UnitRecord &unit)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    units_.append(unit);
    if (folder_.isEmpty())
        return {};
    const QDir folder(folder_);
    if (unit.refusal.isEmpty()) {
        const QString error =
            files::writeAll(folder.filePath(reportFileName(unit.unitId)),
                            QJsonDocument(unitJson(unit)).toJson(QJsonDocument::Indented));
        if (!error.isEmpty())
            return error;
    }
    return files::writeAll(folder.filePath("summary.csv"), summaryCsv(units_));
}

QList<UnitRecord> StationReport::units() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return units_;
}

} // namespace cli
