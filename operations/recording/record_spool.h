// An append-only table of fixed-size records that stays small in memory.
//
// Threads:
// - the producer (the device library's receive thread) calls append() only;
// - the owner (the GUI thread) calls start(), stop() and snapshot();
// - a writer thread of the spool's own stores full batches.
// The producer fills a batch under a lock nobody else holds in the common
// case, and hands a full batch to the writer; it never touches a file and
// allocates only when no spare batch is left. The writer keeps batches in
// memory up to a limit, then moves them all to the spill file and from then
// on appends every batch there, flushed one by one, so that the file always
// holds a complete prefix of the table.
#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace recording {

using Clock = std::chrono::steady_clock;

struct SpoolLimits
{
    std::size_t batchRecords = 2048;
    // Batches kept in memory before the table moves to its spill file.
    std::size_t memoryBytes = 4u << 20;
    // Full batches the writer may lag behind before the producer waits for
    // it; only a disk slower than the stream makes the producer wait.
    std::size_t queuedBatches = 32;
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
    SpoolSnapshot(std::size_t recordSize, std::FILE *spill, std::uint64_t spilledRecords,
                  std::vector<SharedBatch> batches);
    SpoolSnapshot(SpoolSnapshot &&) noexcept = default;
    SpoolSnapshot &operator=(SpoolSnapshot &&) noexcept = default;

    std::uint64_t size() const { return total_; }
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
};

class RecordSpool
{
public:
    RecordSpool(std::size_t recordSize, SpoolLimits limits = {});
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
    // when the table outgrows memory.
    void start(Clock::time_point timeOrigin, const QString &spillPath);
    // Owner. Accepts no more records and hands the partial batch over.
    void stop();
    // Owner. Everything appended so far; waits for the writer to store it.
    SpoolSnapshot snapshot();
    // Owner. How many records the current table has.
    std::uint64_t appended();

private:
    unsigned char *nextSlot();
    void handOver(); // the current batch to the writer; appendMutex held
    SharedBatch spareBatch();
    void waitUntilStored();
    void writerLoop();
    void store(SharedBatch batch);
    bool spillToFile(const SpoolBatch &batch);
    void recycle(SharedBatch batch);

    const std::size_t recordSize_;
    const SpoolLimits limits_;

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
    std::vector<SharedBatch> inMemory_;
    std::size_t memoryBytes_ = 0;
    QString spillPath_;
    std::FILE *spill_ = nullptr;
    std::uint64_t spilledRecords_ = 0;
    bool spillFailed_ = false;

    std::thread writer_;
};

} // namespace recording
