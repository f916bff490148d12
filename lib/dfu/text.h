// SPDX-License-Identifier: GPL-3.0-or-later
// Small text helpers shared by the file readers and the tools' messages.
#pragma once

#include <cstdint>
#include <string>

namespace dfu {

enum class LetterCase
{
    Lower,
    Upper
};

// "0x" followed by exactly `digits` (1 to 8) hex digits, the low ones of `value`,
// e.g. hexText(0x11A, 4, LetterCase::Upper) == "0x011A".
std::string hexText(std::uint32_t value, int digits, LetterCase letters = LetterCase::Lower);

inline std::string hex16(std::uint16_t value, LetterCase letters = LetterCase::Lower)
{
    return hexText(value, 4, letters);
}

inline std::string hex32(std::uint32_t value, LetterCase letters = LetterCase::Lower)
{
    return hexText(value, 8, letters);
}

// `text` without leading and trailing characters from `blanks`.
std::string trimmed(const std::string &text, const char *blanks);

} // namespace dfu
