// SPDX-License-Identifier: GPL-3.0-or-later
#include "station.h"

#include "firmware_commands.h"
#include "module_commands.h"
#include "station_display.h"
#include "station_plan.h"
#include "station_report.h"
#include "station_unit.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QThreadPool>

#include <algorithm>

namespace cli {

namespace {

std::optional<ImageIdentity> identityOf(const QString &image)
{
    QFile file(image);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return std::nullopt;
    return ImageIdentity{QFileInfo(image).fileName(), QString::fromLatin1(hash.result().toHex())};
}

struct MapReading
{
    std::optional<SerialMap> map;
    std::optional<Outcome> refusal;
};

MapReading readSerialMap(const QString &path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, failed(ExitCode::Usage, path + ": cannot read it")};
    SerialMap map = parseSerialMap(file.readAll(), path);
    if (!map.error.isEmpty())
        return {std::nullopt, failed(ExitCode::Usage, map.error)};
    return {map, std::nullopt};
}

QString unitLine(const UnitRecord &unit)
{
    const QString name = unit.unitId.isEmpty() ? unit.port : unit.unitId;
    if (unit.passed())
        return QStringLiteral("%1 %2: passed, serial number %3, version %4")
            .arg(name, unit.port, unit.serialNumberAfter, unit.versionAfter);
    return QStringLiteral("%1 %2: FAILED at %3: %4")
        .arg(name, unit.port, unit.failedStep(), unit.reason());
}

QJsonObject unitSummary(const UnitRecord &unit)
{
    return {{"uid", unit.unitId},
            {"port", unit.port},
            {"outcome", unit.passed() ? "passed" : "failed"},
            {"failed_step", unit.failedStep()},
            {"reason", unit.reason()},
            {"serial_number", unit.serialNumberAfter},
            {"version", unit.versionAfter}};
}

// Every unit's record, by unit ID.
Outcome verdict(QList<UnitRecord> units, const QStringList &reportErrors)
{
    std::stable_sort(units.begin(), units.end(),
                     [](const UnitRecord &a, const UnitRecord &b) { return a.unitId < b.unitId; });
    QStringList lines;
    QJsonArray summaries;
    int passedUnits = 0;
    for (const UnitRecord &unit : units) {
        lines << unitLine(unit);
        summaries.append(unitSummary(unit));
        passedUnits += unit.passed() ? 1 : 0;
    }
    lines << QStringLiteral("%1 of %2 units passed").arg(passedUnits).arg(units.size());
    lines << reportErrors;
    const QJsonObject data{
        {"units", summaries}, {"passed", passedUnits}, {"failed", int(units.size()) - passedUnits}};
    const bool allPassed = passedUnits == units.size() && reportErrors.isEmpty();
    return {allPassed ? ExitCode::Ok : ExitCode::Failed, lines.join('\n'), data};
}

} // namespace

Outcome runStation(const StationOptions &options, const Environment &environment)
{
    std::optional<ImageIdentity> image;
    if (!options.image.isEmpty()) {
        if (const auto refusal = refusedImage(options.image))
            return *refusal;
        image = identityOf(options.image);
        if (!image)
            return failed(ExitCode::Usage, options.image + ": cannot read it");
    }
    const MapReading map = readSerialMap(options.serialMap);
    if (map.refusal)
        return *map.refusal;
    const QList<FoundModule> found = environment.discoverModules();
    if (found.isEmpty())
        return failed(ExitCode::NoDevice, QStringLiteral("no module found"),
                      {{"units", QJsonArray()}});
    const StationPlan plan = planStation(found, options, map.map ? &*map.map : nullptr);
    if (!plan.error.isEmpty())
        return failed(ExitCode::Usage, plan.error);

    StationReport report(options.reportFolder);
    if (const QString problem = report.prepare(); !problem.isEmpty())
        return failed(ExitCode::Usage, problem);
    QStringList reportErrors;
    std::mutex reportErrorsMutex;
    const auto keep = [&](const UnitRecord &unit) {
        const QString error = report.add(unit);
        const std::lock_guard<std::mutex> lock(reportErrorsMutex);
        if (!error.isEmpty())
            reportErrors << error;
    };
    for (const RefusedUnit &refused : plan.refused)
        keep(UnitRecord{refused.unitId, refused.port, {}, {}, {}, {}, {}, refused.reason, {}});

    QStringList names;
    for (const StationUnit &unit : plan.units)
        names << unit.unitId;
    const bool terminal = bool(environment.drawInPlace);
    StationDisplay display(
        names, terminal, terminal ? environment.drawInPlace : [&](const QByteArray &line) {
            environment.console.notice(QString::fromUtf8(line).trimmed());
        });
    const unsigned interruptionsAtStart = interruptionsSoFar();
    QThreadPool pool;
    pool.setMaxThreadCount(options.jobs > 0 ? options.jobs : std::max<int>(1, plan.units.size()));
    for (int index = 0; index < plan.units.size(); ++index) {
        UnitJob job{plan.units[index],
                    options,
                    image.value_or(ImageIdentity{}),
                    environment.discoverModules,
                    [&display, index](const QString &state, bool stepBegins) {
                        display.show(index, state, stepBegins);
                    },
                    interruptionsAtStart};
        pool.start([job, &keep] { keep(runUnit(job)); });
    }
    // Woken now and then rather than blocked for the whole run, so that a stop
    // signal's handler, which a sanitizer may hold back until this thread
    // moves, runs at once.
    constexpr int kLookEveryMs = 100;
    while (!pool.waitForDone(kLookEveryMs)) {
    }
    return verdict(report.units(), reportErrors);
}

} // namespace cli
