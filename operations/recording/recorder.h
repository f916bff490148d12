// SPDX-License-Identifier: GPL-3.0-or-later
// The recording of the stream: every sample and every calibration-mode
// record the device library delivers between a start and a stop, numbered
// and time-stamped on the host.
//
// Threads: recordSample() and recordCalibration() run on the device
// library's receive thread; everything else on the GUI thread. Each table
// has a writer thread of its own (see RecordSpool).
//
// A recording is written, within a second of each record, to files in a
// folder of its own under the system's temporary folder
// (orvik-imu-recording-XXXXXX), which a new recording or the end of the
// program removes; after a crash it stays, and its lock file tells that its
// process is gone (see recovery.h). See docs/recording.md for the files.
#pragma once

#include "recording/record_spool.h"

#include "imuserial.h"

#include <QDateTime>
#include <QLockFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace recording {

// As stored in memory and in the spill files, in the host's byte order.
template <class Payload> struct Record
{
    std::uint64_t index; // from 0, without gaps
    double seconds;      // monotonic, since the recording started
    Payload data;
    // Samples the module counted but the host never received, just before
    // this record, as the device library reports them (0 when it does not).
    std::uint32_t missedBefore;
};
using SampleRecord = Record<IMUserial::sensor_data>;
using CalibrationRecord = Record<IMUserial::sensor_data_calibration>;
static_assert(std::is_trivially_copyable_v<SampleRecord> &&
                  std::is_trivially_copyable_v<CalibrationRecord>,
              "records are copied as bytes");
// The spill files' layout (docs/recording.md): padding at the end only.
static_assert(sizeof(SampleRecord) == 104 && offsetof(SampleRecord, missedBefore) == 96,
              "sample record layout");
static_assert(sizeof(CalibrationRecord) == 112 && offsetof(CalibrationRecord, missedBefore) == 108,
              "calibration record layout");

// One table of a snapshot, read in order.
template <class RecordType> class TableSnapshot
{
public:
    TableSnapshot() = default;
    explicit TableSnapshot(SpoolSnapshot raw) : raw_(std::move(raw)) {}

    std::uint64_t size() const { return raw_.size(); }
    // Records numbered, dropped ones included.
    std::uint64_t numbered() const { return raw_.numbered(); }
    std::size_t read(RecordType *out, std::size_t maxRecords)
    {
        return raw_.read(reinterpret_cast<unsigned char *>(out), maxRecords);
    }
    // The records not read yet, all of them.
    std::vector<RecordType> readAll()
    {
        std::vector<RecordType> records(size());
        std::size_t done = 0;
        while (done < records.size()) {
            const std::size_t n = read(records.data() + done, records.size() - done);
            if (n == 0)
                break;
            done += n;
        }
        records.resize(done);
        return records;
    }

private:
    SpoolSnapshot raw_;
};

struct RecordingSnapshot
{
    QDateTime started; // wall clock, with its offset from UTC
    TableSnapshot<SampleRecord> samples;
    TableSnapshot<CalibrationRecord> calibration;
};

// The folder's files, by name.
inline constexpr char kFolderPattern[] = "orvik-imu-recording-*";
inline constexpr char kStartedFile[] = "started.txt";
inline constexpr char kSamplesFile[] = "samples.bin";
inline constexpr char kCalibrationFile[] = "calibration.bin";
inline constexpr char kOwnerLockFile[] = "owner.lock";

// The log line for a notice: "Recording: cannot write <path>: <reason>;
// keeping the last N MiB in memory", or that it writes again.
QString noticeLine(const SpoolNotice &notice);
// What a notice keeps in memory at most, e.g. "64 MiB".
QString heldText(const SpoolNotice &notice);

class Recorder
{
public:
    // `onNotice` hears, on a writer thread, when a table's file refuses
    // records or takes them again.
    explicit Recorder(SpoolLimits limits = {}, const SpoolNoticeHandler &onNotice = {});

    // Receive thread; ignored unless a recording runs. `missedBefore`: the
    // samples missed just before this one.
    void recordSample(const IMUserial::sensor_data &sample, std::uint32_t missedBefore = 0);
    void recordCalibration(const IMUserial::sensor_data_calibration &record,
                           std::uint32_t missedBefore = 0);

    // GUI thread. start() drops the previous recording and begins a new one;
    // stop() ends it, which stays readable until the next start().
    void start();
    void stop();
    bool isEmpty();
    RecordingSnapshot snapshot();
    // Where the current recording spills; empty before the first start().
    QString spillFolder() const;

private:
    template <class Payload>
    static void append(RecordSpool &spool, const Payload &payload, std::uint32_t missedBefore)
    {
        spool.append([&](unsigned char *slot, std::uint64_t index, double seconds) {
            const Record<Payload> record{index, seconds, payload, missedBefore};
            std::memcpy(slot, &record, sizeof record);
        });
    }

    RecordSpool samples_;
    RecordSpool calibration_;
    std::unique_ptr<QTemporaryDir> folder_;
    // Held while the folder is this process's; released before it goes.
    std::unique_ptr<QLockFile> ownerLock_;
    QDateTime startedAt_;
};

} // namespace recording
