// SPDX-License-Identifier: GPL-3.0-or-later
#include "text.h"

namespace dfu {

std::string hexText(std::uint32_t value, int digits, LetterCase letters)
{
    const char *symbols = letters == LetterCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text = "0x";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        text += symbols[(value >> shift) & 0xF];
    return text;
}

std::string trimmed(const std::string &text, const char *blanks)
{
    const std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

} // namespace dfu
