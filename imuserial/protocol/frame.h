// SPDX-License-Identifier: GPL-3.0-or-later
// Framing of the module's serial protocol (docs/serial-protocol.md): encoder,
// CRC and an incremental decoder that resynchronises after damaged input.
// Plain C++, shared by the device library and the simulator.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace imuproto {

constexpr std::uint8_t START0 = 0xA5;
constexpr std::uint8_t START1 = 0x5A;
constexpr std::size_t HEADER_SIZE = 6;
constexpr std::size_t CRC_SIZE = 2;
constexpr std::size_t MAX_PAYLOAD = 256;
constexpr std::size_t MAX_FRAME = HEADER_SIZE + MAX_PAYLOAD + CRC_SIZE;

enum FrameType : std::uint8_t
{
    CMD_GET_VERSION = 0x01,
    CMD_GET_SN = 0x02,
    CMD_SET_SN = 0x03,
    CMD_START_STREAM = 0x10,
    CMD_STOP_STREAM = 0x11,
    CMD_SET_RATE = 0x12,
    CMD_ENTER_CALIBRATION = 0x20,
    CMD_EXIT_CALIBRATION = 0x21,
    CMD_START_GYR_BIAS = 0x22,
    CMD_STOP_GYR_BIAS = 0x23,
    CMD_RECORD_QUAT_OFFSET = 0x24,
    CMD_RESET_QUAT_OFFSET = 0x25,
    CMD_READ_CALIBRATION = 0x30,
    CMD_WRITE_CALIBRATION = 0x31,
    CMD_JUMP_DFU = 0x3F,
    DATA_SAMPLE = 0x40,
    DATA_CALIBRATION_SAMPLE = 0x41,
    REPLY = 0x80,
};

enum Status : std::uint8_t
{
    STATUS_OK = 0,
    STATUS_FAILED = 1,
    STATUS_UNKNOWN_COMMAND = 2,
    STATUS_BAD_PAYLOAD = 3,
};

enum CalibrationSet : std::uint8_t
{
    SET_IMU1 = 0,
    SET_IMU2 = 1,
    SET_MAG = 2,
};

// A reply payload starts with the command type and the status; result data follows.
constexpr std::size_t REPLY_HEADER_SIZE = 2;

constexpr bool isCommand(std::uint8_t type)
{
    return type >= 0x01 && type <= 0x3F;
}

// CRC-16/CCITT-FALSE; pass the previous result to continue over more bytes.
std::uint16_t crc16(const std::uint8_t *data, std::size_t size, std::uint16_t crc = 0xFFFF);

// Appends one complete frame to `out`. Payloads above MAX_PAYLOAD are not
// encodable: returns false and leaves `out` unchanged.
bool encodeFrame(std::vector<std::uint8_t> &out, std::uint8_t type, std::uint8_t sequence,
                 const std::uint8_t *payload, std::size_t size);

// A decoded frame; `payload` points into the decoder and is valid only during
// the callback that receives it.
struct Frame
{
    std::uint8_t type;
    std::uint8_t sequence;
    const std::uint8_t *payload;
    std::size_t size;
};

// Every byte fed is, at any moment, part of a delivered frame, counted in
// droppedBytes, or still buffered.
struct DecoderStats
{
    std::uint64_t frames = 0;
    std::uint64_t droppedBytes = 0;
    std::uint64_t crcErrors = 0;
    std::uint64_t lengthErrors = 0;
};

// Feeds bytes in arbitrary pieces; calls onFrame(const Frame&) for every valid
// frame in order. How the input is split never changes what is delivered.
// Works in a fixed buffer: nothing is allocated per byte or per frame. The
// callback must not feed or reset the decoder that calls it.
class FrameDecoder
{
public:
    template <class OnFrame>
    void feed(const std::uint8_t *data, std::size_t size, OnFrame &&onFrame)
    {
        while (size > 0) {
            if (used_ == 0) {
                const std::size_t skipped = distanceToStartMarker(data, size);
                stats_.droppedBytes += skipped;
                data += skipped;
                size -= skipped;
                if (size == 0)
                    return;
            }
            const std::size_t take = std::min(size, bytesUntilNextDecision());
            std::memcpy(buffer_.data() + used_, data, take);
            used_ += take;
            data += take;
            size -= take;
            deliverReadyFrames(onFrame);
        }
    }

    // Gives up waiting for the rest of the buffered frame: its first byte is
    // dropped as garbage and the bytes after it are examined again. Meant for
    // a link that went quiet, where a damaged length would otherwise hold back
    // a complete frame behind it until more bytes arrive.
    template <class OnFrame> void abandonPartialFrame(OnFrame &&onFrame)
    {
        if (used_ == 0)
            return;
        resynchronise();
        deliverReadyFrames(onFrame);
    }

    // Bytes held for a frame that is not complete yet.
    std::size_t buffered() const { return used_; }
    const DecoderStats &stats() const { return stats_; }
    void reset();

private:
    // True when the buffer starts with a complete, valid frame; drops what
    // cannot start one.
    bool frameReady();
    void resynchronise();
    void consume(std::size_t count);
    std::size_t expectedSize() const;
    std::size_t bytesUntilNextDecision() const;
    static std::size_t distanceToStartMarker(const std::uint8_t *data, std::size_t size);

    template <class OnFrame> void deliverReadyFrames(OnFrame &onFrame)
    {
        while (frameReady()) {
            const std::size_t frameSize = expectedSize();
            const Frame frame{buffer_[2], buffer_[3], buffer_.data() + HEADER_SIZE, payloadSize()};
            ++stats_.frames;
            onFrame(frame);
            consume(std::min(frameSize, used_));
        }
    }
    std::size_t payloadSize() const
    {
        return static_cast<std::size_t>(buffer_[4]) | (static_cast<std::size_t>(buffer_[5]) << 8);
    }

    std::array<std::uint8_t, MAX_FRAME> buffer_{};
    std::size_t used_ = 0;
    DecoderStats stats_;
};

} // namespace imuproto
