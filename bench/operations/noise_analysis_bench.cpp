// A three-hour still recording at 200 samples/s in calibration mode (both
// chips: 12 channels), exported as CSV to a temporary file, then analysed end
// to end: read back, split into channels, every channel's Allan deviation,
// parameters and spectrum. Beside it the same file read alone, and the
// analysis alone of the channels already read.
#include "noise/noise_analysis.h"
#include "noise/recording_channels.h"
#include "recording/csv_format.h"
#include "recording/csv_reader.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace {

constexpr double kRate = 200;
constexpr double kSeconds = 3 * 3600;
constexpr std::size_t kRowsPerWrite = 10000;

// Readings of a still, level module: gyroscopes in deg/s, accelerometers in
// m/s^2 with gravity on z, the other fields held with a little noise.
class StillModule
{
public:
    IMUserial::sensor_data_calibration next()
    {
        IMUserial::sensor_data_calibration d{};
        for (IMUserial::vec3 *gyr : {&d.gyr1, &d.gyr2})
            *gyr = {noisy(0.3f, 0.07f), noisy(-0.2f, 0.07f), noisy(0.1f, 0.07f)};
        for (IMUserial::vec3 *acc : {&d.acc1, &d.acc2})
            *acc = {noisy(0.02f, 0.01f), noisy(-0.03f, 0.01f), noisy(9.81f, 0.01f)};
        for (IMUserial::vec3 *angle : {&d.angle1, &d.angle2})
            *angle = {noisy(0.1f, 0.01f), noisy(-0.2f, 0.01f), noisy(45, 0.01f)};
        d.temp1 = noisy(31, 0.05f);
        d.temp2 = noisy(32, 0.05f);
        d.mag = {noisy(21, 0.3f), noisy(-4, 0.3f), noisy(43, 0.3f)};
        return d;
    }

private:
    float noisy(float value, float deviation) { return value + deviation * normal_(random_); }

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
            recording::csv::appendRow(text, {i, double(i) / kRate, module.next(), 0});
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
    }
}

void BM_AnalysisAlone(benchmark::State &state)
{
    const noise::ChannelsRead read = noise::channelsOf(readTables());
    for (auto _ : state) {
        const noise::Analysis analysis =
            noise::analyse(read.recorded->channels, read.recorded->rate);
        benchmark::DoNotOptimize(analysis.channels.data());
    }
}

BENCHMARK(BM_ReadFileAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_EndToEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_AnalysisAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
