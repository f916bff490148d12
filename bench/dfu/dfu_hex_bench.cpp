// SPDX-License-Identifier: GPL-3.0-or-later
// In-process Intel HEX reading of a 1 MiB image (about 2.9 MB of text),
// beside a plain copy of the same text as the baseline.
#include "bench_images.h"
#include "intel_hex.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

const std::string &imageText()
{
    static const std::string text = dfubench::hexText(0x08000000, dfubench::imageBytes(1 << 20));
    return text;
}

void BM_CopyHexText(benchmark::State &state)
{
    const std::string &text = imageText();
    std::vector<char> copy(text.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), text.data(), text.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_CopyHexText)->Unit(benchmark::kMillisecond);

void BM_ParseIntelHex(benchmark::State &state)
{
    const std::string &text = imageText();
    for (auto _ : state)
        benchmark::DoNotOptimize(dfu::parseIntelHex(text));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_ParseIntelHex)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
