// SPDX-License-Identifier: GPL-3.0-or-later
// A run of bytes owned elsewhere, for writing data out without copying it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dfu {

struct ByteSpan
{
    const std::uint8_t *data = nullptr;
    std::size_t size = 0;
};

} // namespace dfu
