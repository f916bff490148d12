// SPDX-License-Identifier: GPL-3.0-or-later
// A day of samples at the module's fastest rate, fired as fast as a stand-in
// device can: the recording's memory stays bounded and the export streams.
#include "recording/csv_export.h"

#include <QFile>
#include <QIODevice>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

using namespace recording;

namespace {

constexpr std::uint64_t dayAt200Hz = 24ull * 3600 * 200; // 17 280 000
// What the recording may add to the resident memory, far below the 1.6 GB
// the samples take.
constexpr long memoryBoundBytes = 64l << 20;

long residentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLong() * sysconf(_SC_PAGESIZE);
}

// Counts what is written and keeps nothing.
class CountingSink : public QIODevice
{
public:
    CountingSink() { open(QIODevice::WriteOnly); }
    qint64 bytes = 0;
    qint64 lines = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        bytes += size;
        lines += std::count(data, data + size, '\n');
        return size;
    }
};

} // namespace

TEST(RecordingMemory, ADayAt200HzStaysWithinTheBoundAndExportsEveryRow)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer keeps freed blocks in quarantine and so grows the "
                    "resident size; the bound holds for the plain build";
#endif
    const long before = residentBytes();
    ASSERT_GT(before, 0);
    Recorder recorder;
    recorder.start();
    long peak = 0;
    std::thread device([&] {
        IMUserial::sensor_data sample{};
        for (std::uint64_t i = 0; i < dayAt200Hz; ++i) {
            sample.angle.x = float(i);
            recorder.recordSample(sample);
            if (i % 1'000'000 == 0)
                peak = std::max(peak, residentBytes());
        }
    });
    device.join();
    recorder.stop();
    RecordingSnapshot snapshot = recorder.snapshot();
    ASSERT_EQ(snapshot.samples.size(), dayAt200Hz);
    peak = std::max(peak, residentBytes());
    EXPECT_LT(peak - before, memoryBoundBytes) << "while recording";

    CountingSink sink;
    std::uint64_t rows = 0;
    IndexGaps gaps;
    const WriteOutcome outcome = writeTable(
        snapshot.samples, snapshot.started, sink,
        [&](std::uint64_t slice) {
            rows += slice;
            if (rows % (1 << 20) < slice)
                peak = std::max(peak, residentBytes());
            return true;
        },
        gaps);
    ASSERT_EQ(outcome, WriteOutcome::Written);
    EXPECT_EQ(rows, dayAt200Hz);
    EXPECT_EQ(sink.lines, qint64(dayAt200Hz) + 1);
    EXPECT_LT(peak - before, memoryBoundBytes) << "while exporting";
    std::printf("recording memory: %.1f MB beyond the start; CSV %.2f GB\n", (peak - before) / 1e6,
                sink.bytes / 1e9);
}
