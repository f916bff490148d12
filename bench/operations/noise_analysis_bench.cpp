// SPDX-License-Identifier: GPL-3.0-or-later
// A three-hour still recording at 200 samples/s in calibration mode (both
// chips: 12 channels), exported as CSV to a temporary file, then analysed end
// to end: read back, split into channels, every channel's Allan deviation,
// parameters and spectrum. Beside it the same file read alone, and the
// analysis alone of the channels already read, over one and two threads.
#include "noise/noise_analysis.h"
#include "noise/recording_channels.h"
#include "recording/csv_format.h"
#include "recording/csv_reader.h"
#include "synthetic_noise.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace {

constexpr double kRate = 200;
constexpr double kSeconds = 3 * 3600;
constexpr std::size_t kRowsPerWrite = 10000;

// Readings of a still, level module: both chips' gyroscopes (deg/s) and
// accelerometers (m/s^2, gravity on z) with a MEMS sensor's white noise and
// random walk, the other fields held with a little white noise.
class StillModule
{
public:
    StillModule()
    {
        const noisetest::KnownNoise gyr{0.005, 0.0003, 0.3}, acc{0.0008, 0.00005, 0.02};
        // gyr1, acc1, gyr2, acc2; x, y, z each.
        for (unsigned channel = 0; channel < 12; ++channel)
            channels_.push_back(
                noisetest::stillReadings(channel / 3 % 2 ? acc : gyr, kRate, kSeconds, channel));
    }

    IMUserial::sensor_data_calibration at(std::size_t i)
    {
        IMUserial::sensor_data_calibration d{};
        d.gyr1 = vector(0, i);
        d.acc1 = vector(3, i);
        d.gyr2 = vector(6, i);
        d.acc2 = vector(9, i);
        d.acc1.z += 9.81f;
        d.acc2.z += 9.81f;
        for (IMUserial::vec3 *angle : {&d.angle1, &d.angle2})
            *angle = {noisy(0.1f, 0.01f), noisy(-0.2f, 0.01f), noisy(45, 0.01f)};
        d.temp1 = noisy(31, 0.05f);
        d.temp2 = noisy(32, 0.05f);
        d.mag = {noisy(21, 0.3f), noisy(-4, 0.3f), noisy(43, 0.3f)};
        return d;
    }

private:
    IMUserial::vec3 vector(std::size_t first, std::size_t i) const
    {
        return {float(channels_[first][i]), float(channels_[first + 1][i]),
                float(channels_[first + 2][i])};
    }
    float noisy(float value, float deviation) { return value + deviation * normal_(random_); }

    std::vector<std::vector<double>> channels_;
    std::mt19937 random_{5};
    std::normal_distribution<float> normal_;
};

const QString &recordingFile()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath("still.csv");
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            std::abort();
        std::string text = recording::csv::calibrationHeader(QDateTime::currentDateTime());
        StillModule module;
        const auto rows = std::uint64_t(kSeconds * kRate);
        for (std::uint64_t i = 0; i < rows; ++i) {
            recording::csv::appendRow(text, {i, double(i) / kRate, module.at(i), 0});
            if (i % kRowsPerWrite == 0 || i + 1 == rows) {
                out.write(text.data(), qint64(text.size()));
                text.clear();
            }
        }
        return file;
    }();
    return path;
}

recording::csv::ReadTables readTables()
{
    recording::csv::ReadResult read = recording::csv::readFile(recordingFile());
    if (!read.tables)
        std::abort();
    return std::move(*read.tables);
}

noise::Analysis analyseTables(const recording::csv::ReadTables &tables)
{
    const noise::ChannelsRead read = noise::channelsOf(tables);
    if (!read.recorded)
        std::abort();
    return noise::analyse(read.recorded->channels, read.recorded->rate);
}

void BM_ReadFileAlone(benchmark::State &state)
{
    recordingFile();
    for (auto _ : state) {
        const recording::csv::ReadTables tables = readTables();
        benchmark::DoNotOptimize(tables.calibration.data());
    }
}

void BM_EndToEnd(benchmark::State &state)
{
    recordingFile();
    for (auto _ : state) {
        const noise::Analysis analysis = analyseTables(readTables());
        benchmark::DoNotOptimize(analysis.channels.data());
        // What gyr1_x was made with: N 0.005, K 0.0003.
        const noise::NoiseParameters &read = analysis.channels.front().parameters;
        state.counters["N"] = read.whiteNoise.value.value_or(0);
        state.counters["K"] = read.randomWalk.value.value_or(0);
    }
}

// Over as many worker threads as the argument says.
void BM_AnalysisAlone(benchmark::State &state)
{
    const noise::ChannelsRead read = noise::channelsOf(readTables());
    noise::AnalysisControl control;
    control.threads = unsigned(state.range(0));
    for (auto _ : state) {
        const noise::Analysis analysis =
            noise::analyse(read.recorded->channels, read.recorded->rate, control);
        benchmark::DoNotOptimize(analysis.channels.data());
    }
}

BENCHMARK(BM_ReadFileAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_EndToEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_AnalysisAlone)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
