// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one invocation: finds the module, opens it and runs the command.
#pragma once

#include "outcome.h"

#include <functional>
#include <optional>

namespace cli {

// A port that may hold a module, and the unit ID it reports as its USB serial
// number: the identity of the unit across a jump into its bootloader.
struct FoundModule
{
    QString port;
    QString unitId; // empty when not known
};

struct Environment
{
    // The ports that may hold a module, as the device library's discovery
    // sees them.
    std::function<QList<FoundModule>()> discoverModules;
    Console console;
    // Writes to standard error as it is, for lines redrawn in place; set only
    // where a person watches it (a terminal).
    std::function<void(const QByteArray &)> drawInPlace;
};

QStringList portsOf(const QList<FoundModule> &modules);

struct PortChoice
{
    QString port;
    std::optional<Outcome> refusal; // no module, or several to choose from
};

// The requested port, else the single one discovered.
PortChoice choosePort(const QString &requested, const QStringList &discovered);

Outcome run(const Invocation &invocation, const Environment &environment);

} // namespace cli
