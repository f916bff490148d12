#include "crc32.h"

#include <array>

namespace dfu {

namespace {

std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < table.size(); ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}

} // namespace

std::uint32_t crc32(const std::uint8_t *data, std::size_t size, std::uint32_t state)
{
    static const std::array<std::uint32_t, 256> table = makeTable();
    for (std::size_t i = 0; i < size; ++i)
        state = table[(state ^ data[i]) & 0xFFu] ^ (state >> 8);
    return state;
}

} // namespace dfu
