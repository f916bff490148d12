// SPDX-License-Identifier: GPL-3.0-or-later
// CRC-32 as used by the DFU file suffix.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dfu {

// Reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF and no final
// inversion: the DFU suffix stores the register as it stands after the data.
// Feed a file in pieces by passing the previous result as `state`.
std::uint32_t crc32(const std::uint8_t *data, std::size_t size, std::uint32_t state = 0xFFFFFFFFu);

} // namespace dfu
