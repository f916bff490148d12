// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the frame decoder. Beyond not crashing it checks that how
// the input is split never changes what is decoded, that every delivered frame
// re-encodes to valid bytes, and that every input byte is accounted for.
#include "frame.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::uint8_t> decodeInPieces(const std::uint8_t *data, std::size_t size,
                                         std::size_t piece, imuproto::DecoderStats &stats,
                                         std::size_t &buffered)
{
    imuproto::FrameDecoder decoder;
    std::vector<std::uint8_t> reencoded;
    auto collect = [&reencoded](const imuproto::Frame &frame) {
        require(frame.size <= imuproto::MAX_PAYLOAD);
        require(imuproto::encodeFrame(reencoded, frame.type, frame.sequence, frame.payload,
                                      frame.size));
    };
    for (std::size_t at = 0; at < size; at += piece)
        decoder.feed(data + at, std::min(piece, size - at), collect);
    stats = decoder.stats();
    buffered = decoder.buffered();
    return reencoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the piece size of the second decoding.
    const std::size_t piece = 1 + data[0] % 64;
    imuproto::DecoderStats whole;
    imuproto::DecoderStats split;
    std::size_t wholeBuffered = 0;
    std::size_t splitBuffered = 0;
    const auto frames = decodeInPieces(data, size, size, whole, wholeBuffered);
    require(decodeInPieces(data, size, piece, split, splitBuffered) == frames);
    require(whole.droppedBytes == split.droppedBytes && wholeBuffered == splitBuffered);
    require(frames.size() + whole.droppedBytes + wholeBuffered == size);

    imuproto::FrameDecoder again;
    std::size_t count = 0;
    again.feed(frames.data(), frames.size(), [&count](const imuproto::Frame &) { ++count; });
    require(count == whole.frames && again.stats().droppedBytes == 0);
    return 0;
}
