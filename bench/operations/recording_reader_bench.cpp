// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a recording: a million-sample table (well over an hour at
// 200 samples/s), written with the export's own format to a file, read back
// whole by recording::openRecording. Beside it the file's bytes read alone,
// the floor any reader stands on.
//
// ORVIK_RECORDING_BENCH_FILE names the file to write and keep (for
// bench/recording_reader_pandas.py to read the same one); without it the file
// goes to a temporary folder.
#include "recording/csv_format.h"
#include "recording/recording_file.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
#include <random>

namespace {

constexpr std::uint64_t kRows = 1'000'000;
constexpr double kRate = 200;
constexpr std::size_t kRowsPerWrite = 10000;

// A module turning slowly on a desk: every field moves, with a little noise,
// so the numbers take as many digits as a real recording's.
IMUserial::sensor_data sampleAt(std::uint64_t i, std::mt19937 &random)
{
    std::normal_distribution<float> noise;
    const auto noisy = [&](double value, float deviation) {
        return float(value) + deviation * noise(random);
    };
    const double t = double(i) / kRate;
    const double yaw = 0.3 * t;
    IMUserial::sensor_data d{};
    d.angle = {noisy(2 * std::sin(0.1 * t), 0.01f), noisy(-1.5, 0.01f),
               noisy(std::fmod(yaw * 57.3, 360), 0.01f)};
    d.quat = {noisy(std::cos(yaw / 2), 1e-4f), noisy(0.01, 1e-4f), noisy(-0.02, 1e-4f),
              noisy(std::sin(yaw / 2), 1e-4f)};
    d.gyr = {noisy(0, 0.05f), noisy(0, 0.05f), noisy(17.2, 0.05f)};
    d.acc = {noisy(0.2, 0.01f), noisy(-0.3, 0.01f), noisy(9.81, 0.01f)};
    d.free_acc = {noisy(0, 0.01f), noisy(0, 0.01f), noisy(0, 0.01f)};
    d.mag = {noisy(21 * std::cos(yaw), 0.3f), noisy(21 * std::sin(yaw), 0.3f), noisy(43, 0.3f)};
    d.temp = noisy(31.5, 0.05f);
    return d;
}

const QString &tableFile()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QByteArray chosen = qgetenv("ORVIK_RECORDING_BENCH_FILE");
        const QString file =
            chosen.isEmpty() ? folder.filePath("samples.csv") : QString::fromLocal8Bit(chosen);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            std::abort();
        std::mt19937 random(3);
        std::string text = recording::csv::sampleHeader(QDateTime::currentDateTime());
        for (std::uint64_t i = 0; i < kRows; ++i) {
            recording::csv::appendRow(
                text, {i, double(i) / kRate, sampleAt(i, random), std::uint32_t(i % 997 == 0)});
            if (i % kRowsPerWrite == 0 || i + 1 == kRows) {
                out.write(text.data(), qint64(text.size()));
                text.clear();
            }
        }
        return file;
    }();
    return path;
}

void BM_OpenRecording(benchmark::State &state)
{
    tableFile();
    for (auto _ : state) {
        const recording::OpenResult opened = recording::openRecording(tableFile());
        if (!opened.recording || opened.recording->samples.size() != kRows)
            std::abort();
        benchmark::DoNotOptimize(opened.recording->samples.data());
    }
    state.counters["MB"] = double(QFile(tableFile()).size()) / 1e6;
}

void BM_ReadBytesAlone(benchmark::State &state)
{
    tableFile();
    for (auto _ : state) {
        QFile file(tableFile());
        if (!file.open(QIODevice::ReadOnly))
            std::abort();
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
}

} // namespace

BENCHMARK(BM_OpenRecording)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBytesAlone)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
