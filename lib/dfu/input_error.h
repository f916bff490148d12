// SPDX-License-Identifier: GPL-3.0-or-later
// The one error type of the file readers and writers: its text is meant for
// the user and already says what is wrong (and where, for line-based input).
#pragma once

#include <stdexcept>
#include <string>

namespace dfu {

class InputError : public std::runtime_error
{
public:
    explicit InputError(const std::string &message) : std::runtime_error(message) {}
};

} // namespace dfu
