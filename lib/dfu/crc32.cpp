// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc32.h"

#include "byte_order.h"

#include <array>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DFU_CRC32_CARRYLESS 1
#include <immintrin.h>
#endif

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

std::uint32_t crc32ByTable(const std::uint8_t *data, std::size_t size, std::uint32_t state)
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

#ifdef DFU_CRC32_CARRYLESS

// Carry-less multiplication folds 64 bytes per step in four parallel lanes,
// then reduces to 32 bits with Barrett's method. The constants are powers of
// x modulo the polynomial in the bit-reflected domain: x^(4*128+32) and
// x^(4*128-32) for folding by four lanes, x^(128+32) and x^(128-32) for
// folding by one, x^64, and the polynomial with its Barrett quotient.
constexpr std::size_t kFoldBlock = 64;
constexpr std::size_t kLane = 16;

#define DFU_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1")))

DFU_CARRYLESS_TARGET __m128i loadLane(const std::uint8_t *at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
}

// `lane` multiplied forward by `by` (its two 64-bit halves by the two
// constants), added to `next`.
DFU_CARRYLESS_TARGET __m128i fold(__m128i lane, __m128i by, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(lane, by, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, by, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// At least kFoldBlock bytes, a multiple of kLane.
DFU_CARRYLESS_TARGET std::uint32_t crc32Carryless(const std::uint8_t *data, std::size_t size,
                                                  std::uint32_t state)
{
    const __m128i foldBy4 = _mm_set_epi64x(0x01C6E41596, 0x0154442BD4);
    const __m128i foldBy1 = _mm_set_epi64x(0x00CCAA009E, 0x01751997D0);
    const __m128i fold64 = _mm_set_epi64x(0, 0x0163CD6124);
    const __m128i barrett = _mm_set_epi64x(0x01F7011641, 0x01DB710641);

    // Four independent lanes keep the multiplier busy; written out so that
    // they stay in registers.
    __m128i lane0 = _mm_xor_si128(loadLane(data), _mm_cvtsi32_si128(int(state)));
    __m128i lane1 = loadLane(data + kLane);
    __m128i lane2 = loadLane(data + 2 * kLane);
    __m128i lane3 = loadLane(data + 3 * kLane);
    data += kFoldBlock;
    size -= kFoldBlock;
    for (; size >= kFoldBlock; size -= kFoldBlock, data += kFoldBlock) {
        lane0 = fold(lane0, foldBy4, loadLane(data));
        lane1 = fold(lane1, foldBy4, loadLane(data + kLane));
        lane2 = fold(lane2, foldBy4, loadLane(data + 2 * kLane));
        lane3 = fold(lane3, foldBy4, loadLane(data + 3 * kLane));
    }

    __m128i x = fold(fold(fold(lane0, foldBy1, lane1), foldBy1, lane2), foldBy1, lane3);
    for (; size >= kLane; size -= kLane, data += kLane)
        x = fold(x, foldBy1, loadLane(data));

    // 128 bits to 64, then Barrett reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x = _mm_xor_si128(_mm_srli_si128(x, 8), _mm_clmulepi64_si128(x, foldBy1, 0x10));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), fold64, 0x00),
                      _mm_srli_si128(x, 4));
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(x, low32), barrett, 0x10);
    quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, low32), barrett, 0x00);
    return std::uint32_t(_mm_extract_epi32(_mm_xor_si128(x, quotient), 1));
}

bool carrylessAvailable()
{
    static const bool available =
        __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return available;
}

#endif

} // namespace

std::uint32_t crc32(const std::uint8_t *data, std::size_t size, std::uint32_t state)
{
#ifdef DFU_CRC32_CARRYLESS
    if (size >= kFoldBlock && carrylessAvailable()) {
        const std::size_t folded = size - size % kLane;
        state = crc32Carryless(data, folded, state);
        data += folded;
        size -= folded;
    }
#endif
    return crc32ByTable(data, size, state);
}

} // namespace dfu
