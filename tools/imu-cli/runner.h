// Runs one invocation: finds the module, opens it and runs the command.
#pragma once

#include "outcome.h"

#include <functional>
#include <optional>

namespace cli {

struct Environment
{
    // The ports that may hold a module, as the device library's discovery
    // sees them.
    std::function<QStringList()> discoverPorts;
    Console console;
};

struct PortChoice
{
    QString port;
    std::optional<Outcome> refusal; // no module, or several to choose from
};

// The requested port, else the single one discovered.
PortChoice choosePort(const QString &requested, const QStringList &discovered);

Outcome run(const Invocation &invocation, const Environment &environment);

} // namespace cli
