// SPDX-License-Identifier: GPL-3.0-or-later
// A raw firmware binary placed at one flash address.
#pragma once

#include "image_element.h"

#include <optional>
#include <string>

namespace dfu {

// Throws InputError for empty content, content that already carries a DFU
// suffix, and content that would run beyond 4 GiB.
ImageElement placeRawBinary(std::uint32_t address, std::vector<std::uint8_t> content);

// "0x..." in hex, otherwise decimal; nothing unless it is a whole 32-bit number.
std::optional<std::uint32_t> parseAddress(const std::string &text);

} // namespace dfu
