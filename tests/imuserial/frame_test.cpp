// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame.h"

#include <gtest/gtest.h>

#include <random>

using namespace imuproto;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded
{
    std::uint8_t type;
    std::uint8_t sequence;
    Bytes payload;
    bool operator==(const Decoded &other) const
    {
        return type == other.type && sequence == other.sequence && payload == other.payload;
    }
};

Bytes frame(std::uint8_t type, std::uint8_t sequence, const Bytes &payload)
{
    Bytes out;
    encodeFrame(out, type, sequence, payload.data(), payload.size());
    return out;
}

Bytes operator+(Bytes left, const Bytes &right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// Feeds `input` in pieces of the given sizes, cycling through them.
std::vector<Decoded> decode(FrameDecoder &decoder, const Bytes &input,
                            const std::vector<std::size_t> &pieces = {4096})
{
    std::vector<Decoded> frames;
    auto collect = [&frames](const Frame &f) {
        frames.push_back({f.type, f.sequence, Bytes(f.payload, f.payload + f.size)});
    };
    for (std::size_t at = 0, piece = 0; at < input.size(); ++piece) {
        const std::size_t size = std::min(pieces[piece % pieces.size()], input.size() - at);
        decoder.feed(input.data() + at, size, collect);
        at += size;
    }
    return frames;
}

Bytes randomBytes(std::mt19937 &random, std::size_t size)
{
    Bytes bytes(size);
    for (auto &byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

} // namespace

TEST(Crc16, MatchesTheCcittFalseCheckValueAndContinues)
{
    const Bytes text{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16(text.data(), text.size()), 0x29B1);
    EXPECT_EQ(crc16(text.data() + 4, 5, crc16(text.data(), 4)), 0x29B1);
}

TEST(FrameCodec, EveryTypeAndSizeRoundTripsHoweverTheInputIsSplit)
{
    const std::uint8_t types[] = {
        CMD_GET_VERSION,      CMD_GET_SN,   CMD_SET_SN,  CMD_START_STREAM,        CMD_SET_RATE,
        CMD_READ_CALIBRATION, CMD_JUMP_DFU, DATA_SAMPLE, DATA_CALIBRATION_SAMPLE, REPLY,
        CMD_WRITE_CALIBRATION};
    std::mt19937 random(7);
    Bytes stream;
    std::vector<Decoded> sent;
    for (std::uint8_t type : types) {
        for (std::size_t size : {0, 1, 80, 92, 255, 256}) {
            // Payloads full of start markers must not confuse the decoder.
            Bytes payload = size % 2 ? randomBytes(random, size) : Bytes(size, START0);
            const auto sequence = static_cast<std::uint8_t>(sent.size() * 37);
            sent.push_back({type, sequence, payload});
            stream = stream + frame(type, sequence, payload);
        }
    }
    for (const auto &pieces : std::vector<std::vector<std::size_t>>{{4096}, {1}, {3, 7, 250, 1}}) {
        FrameDecoder decoder;
        EXPECT_EQ(decode(decoder, stream, pieces), sent);
        EXPECT_EQ(decoder.stats().droppedBytes, 0u);
        EXPECT_EQ(decoder.buffered(), 0u);
    }
}

TEST(FrameCodec, OversizedPayloadIsNotEncoded)
{
    Bytes out{1, 2};
    const Bytes payload(MAX_PAYLOAD + 1);
    EXPECT_FALSE(encodeFrame(out, REPLY, 0, payload.data(), payload.size()));
    EXPECT_EQ(out, (Bytes{1, 2}));
}

// Garbage, truncation, a damaged CRC and impossible lengths each cost only
// their own bytes; every frame around them arrives, and every byte is either
// delivered, counted as dropped or still buffered.
TEST(FrameCodec, ResynchronisesAfterDamageWithoutLosingFollowingFrames)
{
    std::mt19937 random(11);
    const Bytes good = frame(DATA_SAMPLE, 1, Bytes(80, 0x11));
    Bytes badCrc = frame(REPLY, 2, {CMD_GET_SN, STATUS_OK, 'A'});
    badCrc.back() ^= 0xFF;
    const Bytes truncated(good.begin(), good.begin() + 40);
    const Bytes oversized{START0, START1, REPLY, 0, 0x01, 0x01};
    const Bytes lonelyMarkers{START0, START0, START1, START0};

    const Bytes input = randomBytes(random, 300) + good + truncated + good + badCrc + good +
                        oversized + good + lonelyMarkers + good + randomBytes(random, 50);
    for (const auto &pieces : std::vector<std::vector<std::size_t>>{{4096}, {1}, {5, 64}}) {
        FrameDecoder decoder;
        const auto frames = decode(decoder, input, pieces);
        ASSERT_EQ(frames.size(), 5u);
        for (const auto &decoded : frames)
            EXPECT_EQ(decoded, (Decoded{DATA_SAMPLE, 1, Bytes(80, 0x11)}));
        EXPECT_GE(decoder.stats().crcErrors, 1u);
        EXPECT_GE(decoder.stats().lengthErrors, 1u);
        EXPECT_EQ(decoder.stats().frames * good.size() + decoder.stats().droppedBytes +
                      decoder.buffered(),
                  input.size());
    }
}

// A damaged length makes the decoder wait for bytes that never come; when the
// link goes quiet the complete frame behind it is still found.
TEST(FrameCodec, AbandoningAStalledFrameReleasesTheFrameBehindIt)
{
    const Bytes reply = frame(REPLY, 9, {CMD_GET_VERSION, STATUS_OK, 1, 2, 3});
    const Bytes claimsLongPayload{START0, START1, REPLY, 0, 200, 0};
    FrameDecoder decoder;
    EXPECT_TRUE(decode(decoder, claimsLongPayload + reply).empty());

    std::vector<std::uint8_t> sequences;
    decoder.abandonPartialFrame([&](const Frame &f) { sequences.push_back(f.sequence); });
    EXPECT_EQ(sequences, (std::vector<std::uint8_t>{9}));
    EXPECT_EQ(decoder.buffered(), 0u);
    EXPECT_EQ(decoder.stats().droppedBytes, claimsLongPayload.size());

    decoder.reset();
    EXPECT_EQ(decoder.stats().droppedBytes, 0u);
    EXPECT_EQ(decode(decoder, reply).size(), 1u);
}
