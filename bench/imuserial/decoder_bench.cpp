// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the frame decoder on a recorded-like stream of samples, with
// and without line damage, and of the CRC alone.
#include "frame.h"
#include "imuserial.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using Bytes = std::vector<std::uint8_t>;

// About 1 MB of sample frames; every `damageEvery`-th frame gets one bit flipped.
Bytes sampleStream(std::size_t damageEvery)
{
    std::mt19937 random(3);
    Bytes stream;
    std::vector<std::uint8_t> payload(sizeof(IMUserial::sensor_data));
    for (std::size_t i = 0; stream.size() < (1u << 20); ++i) {
        for (auto &byte : payload)
            byte = static_cast<std::uint8_t>(random());
        const std::size_t start = stream.size();
        imuproto::encodeFrame(stream, imuproto::DATA_SAMPLE, static_cast<std::uint8_t>(i),
                              payload.data(), payload.size());
        if (damageEvery && i % damageEvery == 0)
            stream[start + 1 + random() % (stream.size() - start - 1)] ^= 0x10;
    }
    return stream;
}

void decode(benchmark::State &state, const Bytes &stream, std::size_t piece)
{
    imuproto::FrameDecoder decoder;
    std::uint64_t checksum = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += piece)
            decoder.feed(stream.data() + at, std::min(piece, stream.size() - at),
                         [&checksum](const imuproto::Frame &frame) { checksum += frame.size; });
    }
    benchmark::DoNotOptimize(checksum);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(decoder.stats().frames),
                                                    benchmark::Counter::kIsRate);
}

// Pieces of 4096 bytes are what one read of the port thread hands over.
void BM_DecodeCleanStream(benchmark::State &state)
{
    static const Bytes stream = sampleStream(0);
    decode(state, stream, static_cast<std::size_t>(state.range(0)));
}
BENCHMARK(BM_DecodeCleanStream)->Arg(1)->Arg(64)->Arg(4096);

void BM_DecodeStreamWithOneDamagedFrameIn100(benchmark::State &state)
{
    static const Bytes stream = sampleStream(100);
    decode(state, stream, 4096);
}
BENCHMARK(BM_DecodeStreamWithOneDamagedFrameIn100);

void BM_DecodeRandomNoise(benchmark::State &state)
{
    std::mt19937 random(5);
    Bytes noise(1u << 20);
    for (auto &byte : noise)
        byte = static_cast<std::uint8_t>(random());
    decode(state, noise, 4096);
}
BENCHMARK(BM_DecodeRandomNoise);

void BM_Crc16(benchmark::State &state)
{
    const Bytes data(4096, 0x5A);
    for (auto _ : state)
        benchmark::DoNotOptimize(imuproto::crc16(data.data(), data.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Crc16);

} // namespace

BENCHMARK_MAIN();
