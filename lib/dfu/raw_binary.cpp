// SPDX-License-Identifier: GPL-3.0-or-later
#include "raw_binary.h"

#include "dfu_suffix.h"
#include "input_error.h"

namespace dfu {

ImageElement placeRawBinary(std::uint32_t address, std::vector<std::uint8_t> content)
{
    if (content.empty())
        throw InputError("the file is empty");
    if (carriesSuffix(content))
        throw InputError("the file already carries a DFU suffix; give the raw binary");
    if (std::uint64_t(address) + content.size() > kAddressSpace)
        throw InputError("the data runs beyond 4 GiB");
    return {address, std::move(content)};
}

std::optional<std::uint32_t> parseAddress(const std::string &text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::size_t first = hex ? 2 : 0;
    const std::uint64_t base = hex ? 16 : 10;
    if (text.size() == first)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        const char c = text[i];
        std::uint64_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = std::uint64_t(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = std::uint64_t(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = std::uint64_t(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * base + digit;
        if (value >= kAddressSpace)
            return std::nullopt;
    }
    return std::uint32_t(value);
}

} // namespace dfu
