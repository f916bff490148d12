// SPDX-License-Identifier: GPL-3.0-or-later
// Images for the firmware benchmarks: pseudo-random bytes, and the same bytes
// as Intel HEX text with 16-byte records.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace dfubench {

// Pseudo-random bytes under the vector table of an application loaded at
// 0x08020000 (stack at 0x20020000, reset handler at 0x08020200), so that the
// flasher takes them; at least 1 KiB.
inline std::vector<std::uint8_t> imageBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (auto &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = std::uint8_t(state >> 16);
    }
    const std::uint8_t vectors[] = {0x00, 0x00, 0x02, 0x20, 0x01, 0x02, 0x02, 0x08};
    std::copy(std::begin(vectors), std::end(vectors), bytes.begin());
    return bytes;
}

inline std::string hexText(std::uint32_t address, const std::vector<std::uint8_t> &bytes)
{
    std::string text;
    char line[80];
    for (std::size_t offset = 0; offset < bytes.size(); offset += 16) {
        const std::uint32_t at = address + std::uint32_t(offset);
        if (offset == 0 || (at & 0xFFFF) == 0) {
            const unsigned upper = at >> 16;
            std::snprintf(line, sizeof line, ":02000004%04X%02X\n", upper,
                          unsigned(std::uint8_t(-(6 + (upper >> 8) + (upper & 0xFF)))));
            text += line;
        }
        unsigned sum = 16 + ((at >> 8) & 0xFF) + (at & 0xFF);
        int written = std::snprintf(line, sizeof line, ":10%04X00", unsigned(at & 0xFFFF));
        for (std::size_t i = 0; i < 16; ++i) {
            sum += bytes[offset + i];
            written += std::snprintf(line + written, sizeof line - std::size_t(written), "%02X",
                                     unsigned(bytes[offset + i]));
        }
        std::snprintf(line + written, sizeof line - std::size_t(written), "%02X\n",
                      unsigned(std::uint8_t(-sum)));
        text += line;
    }
    return text + ":00000001FF\n";
}

} // namespace dfubench
