// SPDX-License-Identifier: GPL-3.0-or-later
// What the station did to each unit, as the unit's own report
// (<DIR>/<unit ID>.json) and one row of <DIR>/summary.csv, written as each
// unit finishes, so that a station that stops keeps the finished units' records.
#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <mutex>

namespace cli {

struct StepRecord
{
    QString step; // "identify", "flash", "serial-number", "gyro-bias", "final-identify"
    bool passed = false;
    QString reason; // why it failed, or what it found
    QDateTime start;
    double seconds = 0;
};

struct ImageIdentity
{
    QString name;   // the file's name, without its folder
    QString sha256; // of the file's bytes, in lower-case hex
};

struct UnitRecord
{
    QString unitId;
    QString port;
    QString serialNumberBefore;
    QString serialNumberAfter;
    QString versionBefore;
    QString versionAfter;
    QList<StepRecord> steps;
    QString refusal; // refused before anything was done: why
    ImageIdentity image;

    bool passed() const;
    // The step that failed, or "refused"; empty when the unit passed.
    QString failedStep() const;
    QString reason() const;
};

QJsonObject unitJson(const UnitRecord &unit);
// The header and one row per unit.
QByteArray summaryCsv(const QList<UnitRecord> &units);

// Collects the finished units and writes their files. Safe on any thread.
class StationReport
{
public:
    // Nothing is written when `folder` is empty.
    explicit StationReport(QString folder) : folder_(std::move(folder)) {}

    // Creates the folder; an error text when it cannot be used.
    QString prepare() const;
    // Keeps `unit` and writes its report (none for a refused unit, which
    // nothing was done to; clones would share its name) and the summary; an
    // error text when a file could not be written.
    QString add(const UnitRecord &unit);
    QList<UnitRecord> units() const;

private:
    QString folder_;
    mutable std::mutex mutex_;
    QList<UnitRecord> units_;
};

} // namespace cli
