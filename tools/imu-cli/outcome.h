// SPDX-License-Identifier: GPL-3.0-or-later
// What a command achieved: its exit status, a line for the operator and, for
// --json, its values.
#pragma once

#include "invocation.h"

#include <QJsonObject>
#include <QString>

#include <functional>

namespace cli {

struct Outcome
{
    ExitCode code = ExitCode::Ok;
    QString message;
    QJsonObject data;

    bool ok() const { return code == ExitCode::Ok; }
};

inline Outcome succeeded(const QString &message, const QJsonObject &data = {})
{
    return {ExitCode::Ok, message, data};
}

inline Outcome failed(ExitCode code, const QString &message, const QJsonObject &data = {})
{
    return {code, message, data};
}

// Where a running command talks to the operator, on standard error: progress
// (shown only when that is a terminal) and instructions (always shown).
struct Console
{
    std::function<void(const QString &)> progress = [](const QString &) {};
    std::function<void(const QString &)> notice = [](const QString &) {};
};

// The outcome as printed: the message alone, or with --json one object
// holding the values, "ok", "exit_code" and "message".
QByteArray renderedText(const Outcome &outcome);
QByteArray renderedJson(const Outcome &outcome);

} // namespace cli
