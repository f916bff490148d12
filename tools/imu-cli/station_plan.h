// SPDX-License-Identifier: GPL-3.0-or-later
// Which units a station run takes and what each is to get, decided before
// any module is touched: the unit IDs that tell the units apart, the serial
// number each is to store, and the units refused with the reason.
#pragma once

#include "invocation.h"
#include "runner.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace cli {

struct StationUnit
{
    QString port;
    QString unitId;
    QString serialNumber; // to store; empty: the unit keeps its own
};

// A unit refused before anything was done to it.
struct RefusedUnit
{
    QString port;
    QString unitId;
    QString reason;
};

struct StationPlan
{
    QList<StationUnit> units; // in unit ID order
    QList<RefusedUnit> refused;
    QString error; // a wrong pattern or map: nothing is run
};

// The serial number `pattern` gives the unit numbered `sequence`: the pattern
// with its one "{seq}", or "{seq:N}"/"{seq:0N}" (zero-padded to N digits, N
// from 1 to 9), replaced by the number. Nothing when the pattern has no such
// field, more than one, or another brace.
std::optional<QString> serialNumberFromPattern(const QString &pattern, int sequence);

struct SerialMap
{
    QHash<QString, QString> serialNumberOf; // by unit ID in upper case
    QString error;                          // "FILE: line N: ...", else empty
};

// A CSV file of two columns, unit ID and serial number, one unit a line; a
// first line whose serial number is not one (a header) is skipped, as are
// empty lines; a field may be in double quotes. Each unit ID and each serial
// number may appear once.
SerialMap parseSerialMap(const QByteArray &text, const QString &fileName);

// `map` is the parsed --sn-map, when one was given.
StationPlan planStation(const QList<FoundModule> &found, const StationOptions &options,
                        const SerialMap *map);

} // namespace cli
