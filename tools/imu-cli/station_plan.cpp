// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_plan.h"

#include "identity/identity.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <utility>

namespace cli {

namespace {

// Unit IDs are hexadecimal on the module; a map written by hand may use
// either case.
QString unitKey(const QString &unitId)
{
    return unitId.trimmed().toUpper();
}

QString unquoted(QString field)
{
    field = field.trimmed();
    if (field.size() >= 2 && field.startsWith('"') && field.endsWith('"'))
        field = field.mid(1, field.size() - 2);
    return field.trimmed();
}

QString mapLineError(const QString &fileName, int line, const QString &problem)
{
    return QStringLiteral("%1: line %2: %3").arg(fileName).arg(line).arg(problem);
}

QString duplicateText(int count, const QString &unitId)
{
    return count == 2 ? "two modules report the unit ID " + unitId +
                            ": clones or a fault; neither was touched"
                      : QStringLiteral("%1 modules report the unit ID %2: clones or a fault; "
                                       "none was touched")
                            .arg(count)
                            .arg(unitId);
}

// The units asked for, each with its unit ID, or refused.
StationPlan unitsAskedFor(const QList<FoundModule> &found, const QStringList &ports)
{
    StationPlan plan;
    QList<FoundModule> asked = found;
    if (!ports.isEmpty()) {
        asked.clear();
        for (const QString &port : ports) {
            const auto at =
                std::find_if(found.begin(), found.end(),
                             [&](const FoundModule &module) { return module.port == port; });
            if (at == found.end())
                plan.refused.append({port, {}, "no module found at " + port});
            else
                asked.append(*at);
        }
    }
    QHash<QString, int> seen;
    for (const FoundModule &module : asked)
        ++seen[unitKey(module.unitId)];
    for (const FoundModule &module : asked) {
        const QString key = unitKey(module.unitId);
        if (key.isEmpty())
            plan.refused.append({module.port,
                                 {},
                                 module.port + " reports no unit ID (USB serial number): the "
                                               "station sets up only units it can tell apart"});
        else if (seen[key] > 1)
            plan.refused.append({module.port, key, duplicateText(seen[key], key)});
        else
            plan.units.append({module.port, key, {}});
    }
    std::sort(plan.units.begin(), plan.units.end(),
              [](const StationUnit &a, const StationUnit &b) { return a.unitId < b.unitId; });
    return plan;
}

} // namespace

std::optional<QString> serialNumberFromPattern(const QString &pattern, int sequence)
{
    static const QRegularExpression field(QStringLiteral("\\{seq(?::0?([1-9]))?\\}"));
    const QRegularExpressionMatch match = field.match(pattern);
    if (!match.hasMatch())
        return std::nullopt;
    QString rest = pattern;
    rest.remove(match.capturedStart(), match.capturedLength());
    if (rest.contains('{') || rest.contains('}'))
        return std::nullopt;
    const int width = match.captured(1).isEmpty() ? 0 : match.captured(1).toInt();
    QString result = pattern;
    return result.replace(match.capturedStart(), match.capturedLength(),
                          QStringLiteral("%1").arg(sequence, width, 10, QChar('0')));
}

SerialMap parseSerialMap(const QByteArray &text, const QString &fileName)
{
    SerialMap map;
    QSet<QString> serialNumbers;
    bool firstLine = true;
    const QList<QByteArray> lines = text.split('\n');
    for (int index = 0; index < lines.size(); ++index) {
        const QString line = QString::fromUtf8(lines[index]).trimmed();
        if (line.isEmpty())
            continue;
        const bool mayBeHeader = std::exchange(firstLine, false);
        const QStringList fields = line.split(',');
        const int number = index + 1;
        if (fields.size() != 2) {
            map.error = mapLineError(fileName, number, "two fields wanted: unit ID, serial number");
            return map;
        }
        const QString unitId = unitKey(unquoted(fields[0]));
        const QString serialNumber = unquoted(fields[1]);
        if (!identity::isValidSerialNumber(serialNumber)) {
            if (mayBeHeader)
                continue;
            map.error = mapLineError(
                fileName, number,
                "\"" + serialNumber + "\" is no serial number: nine characters, each A-Z or 0-9");
            return map;
        }
        if (unitId.isEmpty() || map.serialNumberOf.contains(unitId) ||
            serialNumbers.contains(serialNumber)) {
            map.error = mapLineError(fileName, number,
                                     unitId.isEmpty() ? QStringLiteral("no unit ID")
                                                      : "unit ID " + unitId + " or serial number " +
                                                            serialNumber + " given twice");
            return map;
        }
        map.serialNumberOf.insert(unitId, serialNumber);
        serialNumbers.insert(serialNumber);
    }
    return map;
}

StationPlan planStation(const QList<FoundModule> &found, const StationOptions &options,
                        const SerialMap *map)
{
    StationPlan plan = unitsAskedFor(found, options.ports);
    QList<StationUnit> numbered;
    int sequence = 0;
    for (StationUnit unit : plan.units) {
        if (!options.serialPattern.isEmpty()) {
            const auto serialNumber = serialNumberFromPattern(options.serialPattern, ++sequence);
            if (!serialNumber) {
                plan.error = "--sn " + options.serialPattern +
                             ": a pattern holds one {seq}, {seq:N} or {seq:0N}";
                return plan;
            }
            if (!identity::isValidSerialNumber(*serialNumber)) {
                plan.error = "--sn " + options.serialPattern + " gives \"" + *serialNumber +
                             "\": a serial number is nine characters, each A-Z or 0-9";
                return plan;
            }
            unit.serialNumber = *serialNumber;
        } else if (map) {
            unit.serialNumber = map->serialNumberOf.value(unit.unitId);
            if (unit.serialNumber.isEmpty()) {
                plan.refused.append(
                    {unit.port, unit.unitId,
                     "no serial number for unit ID " + unit.unitId + " in " + options.serialMap});
                continue;
            }
        }
        numbered.append(unit);
    }
    plan.units = numbered;
    return plan;
}

} // namespace cli
