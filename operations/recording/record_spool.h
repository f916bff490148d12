// SPDX-License-Identifier: GPL-3.0-or-later
// An append-only table of fixed-size records that reaches its spill file
// within a second of each record.
//
// Threads:
// - the producer (the device library's receive thread) calls append() only;
// - the owner (the GUI thread) calls start(), stop() and snapshot();
// - a writer thread of the spool's own writes the records to the file.
// The producer fills a batch under a lock nobody else holds in the common
// case, and hands a full batch to the writer; it never touches a file and
// allocates only when no spare batch is left. The writer appends every batch
// to the spill file, created with the first one, and flushes it to the
// operating system. Once a second it also takes the batch being filled, with
// the records appended so far, and writes it the same way; the producer
// goes on in a spare batch. So the file always holds a complete prefix of the
// table, and after a crash or kill -9 at most the last second of records is
// missing from it.
//
// When the file cannot be written (a full disk, a quota, a removed folder),
// the batches wait in memory up to SpoolLimits::heldBytes; beyond that whole
// batches are dropped and their records are missing from the table (their
// indices leave a gap). The writer tries the file again once a second and,
// when it takes the records again, writes the waiting batches and goes on.
// Each change between writing and not writing is told to the notice handler.
#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace recording {

using Clock = std::chrono::steady_clock;

struct SpoolLimits
{
    std::size_t batchRecords = 2048;
    // Full batches the writer may lag behind before the producer waits for
    // it; only a disk slower than the stream makes the producer wait.
    std::size_t queuedBatches = 32;
    // What may wait in memory while the file cannot be written; at least one
    // batch is always kept.
    std::size_t heldBytes = std::size_t(64) << 20;
};

// A change in whether the spill file takes the records.
struct SpoolNotice
{
    bool writing;          // false: the file refused records; true: it takes them again
    QString path;          // the spill file
    QString reason;        // why it refused, in the system's words; empty when writing
    std::size_t heldBytes; // what is kept in memory meanwhile at most
};
// Called on the writer thread; must not call into the spool.
using SpoolNoticeHandler = std::function<void(const SpoolNotice &)>;

// Where the records of a table are.
struct SpoolCounts
{
    std::uint64_t appended = 0; // numbered so far
    std::uint64_t inFile = 0;
    std::uint64_t inMemory = 0; // waiting for the file, or for the writer
    std::uint64_t dropped = 0;  // neither: the memory for them was spent
};

struct SpoolBatch
{
    std::vector<unsigned char> bytes; // batchRecords records' room, `records` used
    std::size_t records = 0;
};
using SharedBatch = std::shared_ptr<SpoolBatch>;

// The table as it was when taken: the spill file's prefix, then the batches
// still in memory. Read sequentially; it may be read on any one thread, and
// stays valid whatever the spool does afterwards.
class SpoolSnapshot
{
public:
    SpoolSnapshot() = default;
    // `numbered`: how many records the table had numbered by then, dropped
    // ones included; by default those read.
    SpoolSnapshot(std::size_t recordSize, std::FILE *spill, std::uint64_t spilledRecords,
                  std::vector<SharedBatch> batches, std::uint64_t numbered = 0);
    SpoolSnapshot(SpoolSnapshot &&) noexcept = default;
    SpoolSnapshot &operator=(SpoolSnapshot &&) noexcept = default;

    std::uint64_t size() const { return total_; }
    std::uint64_t numbered() const { return numbered_; }
    // Copies up to `maxRecords` next records to `out`; returns how many,
    // 0 at the end (or when the spill file cannot be read).
    std::size_t read(unsigned char *out, std::size_t maxRecords);

private:
    struct CloseFile
    {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    std::size_t recordSize_ = 0;
    std::unique_ptr<std::FILE, CloseFile> spill_;
    std::uint64_t spillLeft_ = 0;
    std::vector<SharedBatch> batches_;
    std::size_t batchAt_ = 0;
    std::size_t recordAt_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t numbered_ = 0;
};

class RecordSpool
{
public:
    RecordSpool(std::size_t recordSize, SpoolLimits limits = {}, SpoolNoticeHandler onNotice = {});
    ~RecordSpool();
    RecordSpool(const RecordSpool &) = delete;
    RecordSpool &operator=(const RecordSpool &) = delete;

    // Producer. While started, appends one record: `fill(slot, index,
    // seconds)` writes it into the slot, numbered from 0 and stamped with the
    // seconds since the origin start() was given. Ignored while stopped.
    template <class Fill> void append(Fill &&fill)
    {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> lock(appendMutex_);
        if (!accepting_)
            return;
        unsigned char *slot = nextSlot();
        fill(slot, nextIndex_++, std::chrono::duration<double>(now - origin_).count());
    }

    // Owner. Forgets the previous table (and removes its spill file) and
    // accepts records stamped from `timeOrigin`; `spillPath` is created
    // when the writer writes the first records.
    void start(Clock::time_point timeOrigin, const QString &spillPath);
    // Owner. Accepts no more records and hands the partial batch over.
    void stop();
    // Owner. Everything appended so far; waits for the writer to store it.
    SpoolSnapshot snapshot();
    // Owner. How many records the current table has.
    std::uint64_t appended();
    // Owner. Where the current table's records are.
    SpoolCounts counts();

private:
    unsigned char *nextSlot();
    void handOver(); // the current batch to the writer; appendMutex held
    SharedBatch spareBatch();
    void waitUntilStored();
    void writerLoop();
    bool takeFilling();
    bool spillUsable();
    void store(SharedBatch batch);
    void retryRefusedFile();
    // The waiting batches to the file, in order, while it takes them; a
    // change of state becomes `notice`. storeMutex_ held.
    void writeWaiting(std::optional<SpoolNotice> &notice);
    // 0, or the system's error number of the failure.
    int openSpill();
    int spillToFile(const SpoolBatch &batch);
    void refuse(int error, std::optional<SpoolNotice> &notice);
    void recycle(SharedBatch batch);
    void tell(const std::optional<SpoolNotice> &notice);

    const std::size_t recordSize_;
    const SpoolLimits limits_;
    const SpoolNoticeHandler onNotice_;

    // Producer side.
    std::mutex appendMutex_;
    bool accepting_ = false;
    Clock::time_point origin_;
    std::uint64_t nextIndex_ = 0;
    SharedBatch current_;

    // Between producer and writer.
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<SharedBatch> queued_;
    std::vector<SharedBatch> spares_;
    bool writerBusy_ = false;
    bool quitting_ = false;

    // The stored table: changed by the writer, read by snapshot().
    std::mutex storeMutex_;
    std::deque<SharedBatch> inMemory_; // not yet in the file, in order
    QString spillPath_;
    std::FILE *spill_ = nullptr;
    std::uint64_t spilledRecords_ = 0;
    std::uint64_t droppedRecords_ = 0;
    // While the file refuses records: why, and when to try it again.
    QString refusal_;
    Clock::time_point retryAt_;

    std::thread writer_;
};

} // namespace recording
