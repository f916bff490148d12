#include "recording/record_spool.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace recording {

namespace {

// Spare batches kept for reuse; beyond this a returned batch is freed.
constexpr std::size_t keptSpares = 4;

} // namespace

SpoolSnapshot::SpoolSnapshot(std::size_t recordSize, std::FILE *spillFile,
                             std::uint64_t spilledRecords, std::vector<SharedBatch> batches)
    : recordSize(recordSize), spill(spillFile), spillLeft(spilledRecords),
      batches(std::move(batches)), total(spilledRecords)
{
    for (const SharedBatch &batch : this->batches)
        total += batch->records;
}

std::size_t SpoolSnapshot::read(unsigned char *out, std::size_t maxRecords)
{
    std::size_t done = 0;
    while (done < maxRecords) {
        if (spillLeft > 0) {
            const std::size_t wanted =
                static_cast<std::size_t>(std::min<std::uint64_t>(maxRecords - done, spillLeft));
            const std::size_t got =
                spill ? std::fread(out + done * recordSize, recordSize, wanted, spill.get()) : 0;
            done += got;
            spillLeft -= got;
            if (got < wanted) {
                // An unreadable spill file ends the table here; the reader
                // sees fewer records than size() promised.
                spillLeft = 0;
                batchAt = batches.size();
                break;
            }
            continue;
        }
        if (batchAt == batches.size())
            break;
        const SpoolBatch &batch = *batches[batchAt];
        const std::size_t count = std::min(maxRecords - done, batch.records - recordAt);
        std::memcpy(out + done * recordSize, batch.bytes.data() + recordAt * recordSize,
                    count * recordSize);
        done += count;
        recordAt += count;
        if (recordAt == batch.records) {
            ++batchAt;
            recordAt = 0;
        }
    }
    return done;
}

RecordSpool::RecordSpool(std::size_t recordSize, SpoolLimits limits)
    : recordSize(recordSize), limits(limits)
{
    writer = std::thread([this] { writerLoop(); });
}

RecordSpool::~RecordSpool()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        quitting = true;
    }
    queueChanged.notify_all();
    writer.join();
    if (spill)
        std::fclose(spill);
    if (!spillPath.isEmpty())
        QFile::remove(spillPath);
}

unsigned char *RecordSpool::nextSlot()
{
    if (!current)
        current = spareBatch();
    else if (current->records == limits.batchRecords)
        handOver();
    return current->bytes.data() + current->records++ * recordSize;
}

void RecordSpool::handOver()
{
    {
        std::unique_lock<std::mutex> lock(queueMutex);
        queueChanged.wait(lock,
                          [this] { return queued.size() < limits.queuedBatches || quitting; });
        queued.push_back(std::move(current));
    }
    queueChanged.notify_all();
    current = spareBatch();
}

SharedBatch RecordSpool::spareBatch()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        if (!spares.empty()) {
            SharedBatch batch = std::move(spares.back());
            spares.pop_back();
            return batch;
        }
    }
    auto batch = std::make_shared<SpoolBatch>();
    batch->bytes.resize(limits.batchRecords * recordSize);
    return batch;
}

void RecordSpool::recycle(SharedBatch batch)
{
    // A batch a snapshot still reads is left to it.
    if (batch.use_count() != 1)
        return;
    batch->records = 0;
    std::lock_guard<std::mutex> lock(queueMutex);
    if (spares.size() < keptSpares)
        spares.push_back(std::move(batch));
}

void RecordSpool::waitUntilStored()
{
    std::unique_lock<std::mutex> lock(queueMutex);
    queueChanged.wait(lock, [this] { return queued.empty() && !writerBusy; });
}

void RecordSpool::writerLoop()
{
    std::unique_lock<std::mutex> lock(queueMutex);
    for (;;) {
        queueChanged.wait(lock, [this] { return quitting || !queued.empty(); });
        if (quitting)
            return;
        SharedBatch batch = std::move(queued.front());
        queued.pop_front();
        writerBusy = true;
        lock.unlock();
        queueChanged.notify_all(); // room for a waiting producer
        store(std::move(batch));
        lock.lock();
        writerBusy = false;
        queueChanged.notify_all(); // for waitUntilStored()
    }
}

void RecordSpool::store(SharedBatch batch)
{
    std::lock_guard<std::mutex> lock(storeMutex);
    memoryBytes += batch->records * recordSize;
    inMemory.push_back(std::move(batch));
    if (!spill && !spillFailed && memoryBytes > limits.memoryBytes) {
        spill = std::fopen(QFile::encodeName(spillPath).constData(), "wb");
        spillFailed = spill == nullptr;
    }
    if (!spill)
        return;
    // Oldest first, so the file stays a prefix of the table. A batch that
    // cannot be written stays in memory, with every later one: the file then
    // keeps what it had and memory the rest.
    std::size_t moved = 0;
    while (moved < inMemory.size() && spillToFile(*inMemory[moved]))
        ++moved;
    if (moved < inMemory.size()) {
        std::fclose(spill);
        spill = nullptr;
        spillFailed = true;
    }
    for (std::size_t i = 0; i < moved; ++i) {
        memoryBytes -= inMemory[i]->records * recordSize;
        recycle(std::move(inMemory[i]));
    }
    inMemory.erase(inMemory.begin(), inMemory.begin() + static_cast<std::ptrdiff_t>(moved));
}

bool RecordSpool::spillToFile(const SpoolBatch &batch)
{
    const std::size_t bytes = batch.records * recordSize;
    const bool written =
        std::fwrite(batch.bytes.data(), 1, bytes, spill) == bytes && std::fflush(spill) == 0;
    if (written)
        spilledRecords += batch.records;
    return written;
}

void RecordSpool::start(Clock::time_point timeOrigin, const QString &newSpillPath)
{
    std::lock_guard<std::mutex> appendLock(appendMutex);
    accepting = false;
    if (current)
        current->records = 0;
    waitUntilStored();
    {
        std::lock_guard<std::mutex> storeLock(storeMutex);
        for (SharedBatch &batch : inMemory)
            recycle(std::move(batch));
        inMemory.clear();
        memoryBytes = 0;
        if (spill)
            std::fclose(spill);
        spill = nullptr;
        if (!spillPath.isEmpty())
            QFile::remove(spillPath);
        spilledRecords = 0;
        spillFailed = false;
        spillPath = newSpillPath;
    }
    origin = timeOrigin;
    nextIndex = 0;
    accepting = true;
}

void RecordSpool::stop()
{
    std::lock_guard<std::mutex> lock(appendMutex);
    accepting = false;
    if (current && current->records > 0)
        handOver();
}

SpoolSnapshot RecordSpool::snapshot()
{
    std::lock_guard<std::mutex> appendLock(appendMutex);
    if (current && current->records > 0)
        handOver();
    waitUntilStored();
    std::lock_guard<std::mutex> storeLock(storeMutex);
    std::FILE *reader =
        spilledRecords > 0 ? std::fopen(QFile::encodeName(spillPath).constData(), "rb") : nullptr;
    return SpoolSnapshot(recordSize, reader, spilledRecords, inMemory);
}

std::uint64_t RecordSpool::appended()
{
    std::lock_guard<std::mutex> lock(appendMutex);
    return nextIndex;
}

} // namespace recording
