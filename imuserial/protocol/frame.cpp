// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame.h"

namespace imuproto {

namespace {

constexpr std::uint16_t CRC_POLYNOMIAL = 0x1021;

// CRC of every possible leading byte, so the CRC costs one look-up per byte.
constexpr std::array<std::uint16_t, 256> makeCrcTable()
{
    std::array<std::uint16_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
        auto crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ CRC_POLYNOMIAL)
                                 : static_cast<std::uint16_t>(crc << 1);
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> CRC_TABLE = makeCrcTable();

} // namespace

std::uint16_t crc16(const std::uint8_t *data, std::size_t size, std::uint16_t crc)
{
    for (std::size_t i = 0; i < size; ++i)
        crc = static_cast<std::uint16_t>((crc << 8) ^ CRC_TABLE[(crc >> 8) ^ data[i]]);
    return crc;
}

bool encodeFrame(std::vector<std::uint8_t> &out, std::uint8_t type, std::uint8_t sequence,
                 const std::uint8_t *payload, std::size_t size)
{
    if (size > MAX_PAYLOAD)
        return false;
    const std::size_t start = out.size();
    out.resize(start + HEADER_SIZE + size + CRC_SIZE);
    std::uint8_t *frame = out.data() + start;
    frame[0] = START0;
    frame[1] = START1;
    frame[2] = type;
    frame[3] = sequence;
    frame[4] = static_cast<std::uint8_t>(size & 0xFF);
    frame[5] = static_cast<std::uint8_t>(size >> 8);
    if (size > 0)
        std::memcpy(frame + HEADER_SIZE, payload, size);
    const std::uint16_t crc = crc16(frame + 2, HEADER_SIZE - 2 + size);
    frame[HEADER_SIZE + size] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[HEADER_SIZE + size + 1] = static_cast<std::uint8_t>(crc >> 8);
    return true;
}

void FrameDecoder::reset()
{
    used_ = 0;
    stats_ = DecoderStats{};
}

std::size_t FrameDecoder::expectedSize() const
{
    return HEADER_SIZE + payloadSize() + CRC_SIZE;
}

// After frameReady() returned false the buffer holds either an incomplete
// header or the header of a frame with a valid length whose rest is missing.
std::size_t FrameDecoder::bytesUntilNextDecision() const
{
    return used_ < HEADER_SIZE ? HEADER_SIZE - used_ : expectedSize() - used_;
}

std::size_t FrameDecoder::distanceToStartMarker(const std::uint8_t *data, std::size_t size)
{
    const void *marker = std::memchr(data, START0, size);
    return marker ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(marker) - data)
                  : size;
}

bool FrameDecoder::frameReady()
{
    for (;;) {
        if (used_ == 0)
            return false;
        if (buffer_[0] != START0 || (used_ >= 2 && buffer_[1] != START1)) {
            resynchronise();
            continue;
        }
        if (used_ < HEADER_SIZE)
            return false;
        if (payloadSize() > MAX_PAYLOAD) {
            ++stats_.lengthErrors;
            resynchronise();
            continue;
        }
        if (used_ < expectedSize())
            return false;
        const std::size_t size = payloadSize();
        const std::uint16_t expected = crc16(buffer_.data() + 2, HEADER_SIZE - 2 + size);
        const auto received = static_cast<std::uint16_t>(buffer_[HEADER_SIZE + size] |
                                                         (buffer_[HEADER_SIZE + size + 1] << 8));
        if (expected == received)
            return true;
        ++stats_.crcErrors;
        resynchronise();
    }
}

// Drops the first buffered byte and keeps the rest from the next start marker
// on, so a real frame hidden behind garbage or inside a damaged frame is still
// found. The remaining bytes are examined again by frameReady().
void FrameDecoder::resynchronise()
{
    const std::size_t next = 1 + distanceToStartMarker(buffer_.data() + 1, used_ - 1);
    stats_.droppedBytes += next;
    consume(next);
}

void FrameDecoder::consume(std::size_t count)
{
    std::memmove(buffer_.data(), buffer_.data() + count, used_ - count);
    used_ -= count;
}

} // namespace imuproto
