// SPDX-License-Identifier: GPL-3.0-or-later
// How the window's units speak to the operator: lines for the message log,
// from any thread, and message boxes as the window shows them.
#pragma once

#include "outcome/command_outcome.h"

#include <QString>

#include <functional>

namespace prompts {

struct Prompter
{
    std::function<void(const QString &line)> log;
    // A box with the critical icon, and one with the information icon.
    std::function<void(const QString &title, const QString &text)> error;
    std::function<void(const QString &title, const QString &text)> inform;
    // A Yes/No box; true when the operator answered Yes.
    std::function<bool(const QString &title, const QString &question)> ask;

    // Sends a command and logs its success or failure text.
    template <class Operation>
    bool sendAndLog(Operation &&operation, const outcome::Texts &texts) const
    {
        const bool done = outcome::run(operation);
        log(outcome::textFor(done, texts));
        return done;
    }
};

} // namespace prompts
