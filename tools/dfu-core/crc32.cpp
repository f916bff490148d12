#include "crc32.h"

#include "byte_order.h"

#include <array>

namespace dfu {

namespace {

// Slicing by eight: table k gives the register change of a byte followed by k
// zero bytes, so eight bytes fold into the register with eight lookups.
constexpr int kSlices = 8;
using CrcTables = std::array<std::array<std::uint32_t, 256>, kSlices>;

constexpr CrcTables makeTables()
{
    CrcTables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        tables[0][i] = value;
    }
    for (std::size_t i = 0; i < 256; ++i)
        for (std::size_t k = 1; k < kSlices; ++k)
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFFu];
    return tables;
}

constexpr CrcTables kTables = makeTables();

} // namespace

std::uint32_t crc32(const std::uint8_t *data, std::size_t size, std::uint32_t state)
{
    for (; size >= kSlices; size -= kSlices, data += kSlices) {
        const std::uint32_t low = readLe32(data) ^ state;
        const std::uint32_t high = readLe32(data + 4);
        state = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^
                kTables[5][(low >> 16) & 0xFFu] ^ kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^
                kTables[2][(high >> 8) & 0xFFu] ^ kTables[1][(high >> 16) & 0xFFu] ^
                kTables[0][high >> 24];
    }
    for (; size > 0; --size, ++data)
        state = kTables[0][(state ^ *data) & 0xFFu] ^ (state >> 8);
    return state;
}

} // namespace dfu
