// SPDX-License-Identifier: GPL-3.0-or-later
// What recording the stream costs: the receive thread's time per recorded
// sample, fired back to back and paced over seconds of writing out, and the
// export's speed over a one-million-row recording.
//
//   recording_bench [SAMPLES]   samples for the back-to-back cost (default 5 000 000)
#include "recording/csv_export.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <thread>

using namespace recording;
using BenchClock = std::chrono::steady_clock;

namespace {

double secondsSince(BenchClock::time_point start)
{
    return std::chrono::duration<double>(BenchClock::now() - start).count();
}

IMUserial::sensor_data swayingSample(long n)
{
    const float t = float(n) * 0.005f;
    IMUserial::sensor_data s{};
    s.angle = {29 * std::sin(t), 18 * std::cos(t), t};
    s.quat = {std::cos(t / 2), std::sin(t / 2), 0.01f * t, -0.02f};
    s.gyr = {std::cos(t) * 29, -std::sin(t) * 18, 1.5f};
    s.acc = {0.3f * std::sin(t), 9.80665f + 0.01f * t, -0.2f};
    s.free_acc = {0.01f * t, -0.003f, 0.45f * std::cos(t)};
    s.mag = {20.5f + std::sin(t), -7.25f, -44 + std::cos(t)};
    s.temp = 24 + 0.3f * std::sin(t / 60);
    return s;
}

// Records `count` samples from a thread of its own, as the receive thread
// does; returns the nanoseconds each took there.
double recordFromReceiveThread(Recorder &recorder, long count)
{
    std::vector<IMUserial::sensor_data> samples(4096);
    for (long i = 0; i < long(samples.size()); ++i)
        samples[i] = swayingSample(i);
    double seconds = 0;
    std::thread([&] {
        const BenchClock::time_point start = BenchClock::now();
        for (long i = 0; i < count; ++i)
            recorder.recordSample(samples[i % samples.size()]);
        seconds = secondsSince(start);
    }).join();
    return seconds * 1e9 / double(count);
}

// Records a burst of 10 samples each millisecond for 3 s, so the writer
// writes out the batch being filled while the receive thread appends;
// returns the nanoseconds each sample took there, bursts timed as a whole.
double recordPaced(Recorder &recorder)
{
    constexpr int bursts = 3000;
    constexpr int perBurst = 10;
    const IMUserial::sensor_data sample = swayingSample(1);
    double seconds = 0;
    std::thread([&] {
        BenchClock::time_point next = BenchClock::now();
        for (int i = 0; i < bursts; ++i) {
            std::this_thread::sleep_until(next += std::chrono::milliseconds(1));
            const BenchClock::time_point start = BenchClock::now();
            for (int j = 0; j < perBurst; ++j)
                recorder.recordSample(sample);
            seconds += secondsSince(start);
        }
    }).join();
    return seconds * 1e9 / (bursts * perBurst);
}

class NullSink : public QIODevice
{
public:
    NullSink() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override { return size; }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long perSampleCount = argc > 1 ? std::atol(argv[1]) : 5'000'000;

    {
        Recorder recorder;
        recorder.start();
        const double ns = recordFromReceiveThread(recorder, perSampleCount);
        std::printf("receive thread: %.1f ns/sample over %ld samples (spilled to %s)\n", ns,
                    perSampleCount, qPrintable(recorder.spillFolder()));
    }
    {
        Recorder recorder;
        recorder.start();
        std::printf("receive thread, paced (10 samples a millisecond for 3 s): %.1f ns/sample\n",
                    recordPaced(recorder));
    }

    constexpr long rows = 1'000'000;
    Recorder recorder;
    recorder.start();
    recordFromReceiveThread(recorder, rows);
    recorder.stop();

    RecordingSnapshot formatted = recorder.snapshot();
    NullSink sink;
    BenchClock::time_point start = BenchClock::now();
    IndexGaps gaps;
    writeTable(
        formatted.samples, formatted.started, sink, [](std::uint64_t) { return true; }, gaps);
    const double formatSeconds = secondsSince(start);
    std::printf("export, text only: %.0f rows/s (%.2f s for %ld rows)\n", rows / formatSeconds,
                formatSeconds, rows);

    QTemporaryDir folder;
    const QString path = folder.filePath("bench.csv");
    CsvExport job(recorder.snapshot(), path);
    std::promise<void> done;
    QObject::connect(&job, &CsvExport::finished, [&] { done.set_value(); });
    start = BenchClock::now();
    job.start();
    done.get_future().wait();
    const double fileSeconds = secondsSince(start);
    std::printf("export to a file: %.0f rows/s (%.2f s, %.1f MB)\n", rows / fileSeconds,
                fileSeconds, QFileInfo(path).size() / 1e6);
    return 0;
}
