// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/record_spool.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace recording {

namespace {

// Spare batches kept for reuse; beyond this a returned batch is freed.
constexpr std::size_t kKeptSpares = 4;
// How often the writer writes out the batch being filled.
constexpr Clock::duration kWriteOutPeriod = std::chrono::seconds(1);
// How soon the writer tries again when the producer's lock was taken.
constexpr Clock::duration kRetryAfter = std::chrono::milliseconds(1);
// How often the writer tries a file that refused records.
constexpr Clock::duration kRetryRefusedAfter = std::chrono::seconds(1);

bool seekTo(std::FILE *file, std::uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

} // namespace

SpoolSnapshot::SpoolSnapshot(std::size_t recordSize, std::FILE *spillFile,
                             std::uint64_t spilledRecords, std::vector<SharedBatch> batches,
                             std::uint64_t numbered)
    : recordSize_(recordSize), spill_(spillFile), spillLeft_(spilledRecords),
      batches_(std::move(batches)), total_(spilledRecords)
{
    for (const SharedBatch &batch : this->batches_)
        total_ += batch->records;
    numbered_ = std::max(numbered, total_);
}

std::size_t SpoolSnapshot::read(unsigned char *out, std::size_t maxRecords)
{
    std::size_t done = 0;
    while (done < maxRecords) {
        if (spillLeft_ > 0) {
            const std::size_t wanted =
                static_cast<std::size_t>(std::min<std::uint64_t>(maxRecords - done, spillLeft_));
            const std::size_t got =
                spill_ ? std::fread(out + done * recordSize_, recordSize_, wanted, spill_.get())
                       : 0;
            done += got;
            spillLeft_ -= got;
            if (got < wanted) {
                // An unreadable spill file ends the table here; the reader
                // sees fewer records than size() promised.
                spillLeft_ = 0;
                batchAt_ = batches_.size();
                break;
            }
            continue;
        }
        if (batchAt_ == batches_.size())
            break;
        const SpoolBatch &batch = *batches_[batchAt_];
        const std::size_t count = std::min(maxRecords - done, batch.records - recordAt_);
        std::memcpy(out + done * recordSize_, batch.bytes.data() + recordAt_ * recordSize_,
                    count * recordSize_);
        done += count;
        recordAt_ += count;
        if (recordAt_ == batch.records) {
            ++batchAt_;
            recordAt_ = 0;
        }
    }
    return done;
}

RecordSpool::RecordSpool(std::size_t recordSize, SpoolLimits limits, SpoolNoticeHandler onNotice)
    : recordSize_(recordSize), limits_(limits), onNotice_(std::move(onNotice))
{
    writer_ = std::thread([this] { writerLoop(); });
}

RecordSpool::~RecordSpool()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        quitting_ = true;
    }
    queueChanged_.notify_all();
    writer_.join();
    if (spill_)
        std::fclose(spill_);
    if (!spillPath_.isEmpty())
        QFile::remove(spillPath_);
}

unsigned char *RecordSpool::nextSlot()
{
    if (!current_)
        current_ = spareBatch();
    else if (current_->records == limits_.batchRecords)
        handOver();
    return current_->bytes.data() + current_->records++ * recordSize_;
}

void RecordSpool::handOver()
{
    {
        std::unique_lock<std::mutex> lock(queueMutex_);
        queueChanged_.wait(lock,
                           [this] { return queued_.size() < limits_.queuedBatches || quitting_; });
        queued_.push_back(std::move(current_));
    }
    queueChanged_.notify_all();
    current_ = spareBatch();
}

SharedBatch RecordSpool::spareBatch()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (!spares_.empty()) {
            SharedBatch batch = std::move(spares_.back());
            spares_.pop_back();
            return batch;
        }
    }
    auto batch = std::make_shared<SpoolBatch>();
    batch->bytes.resize(limits_.batchRecords * recordSize_);
    return batch;
}

void RecordSpool::recycle(SharedBatch batch)
{
    // A batch a snapshot still reads is left to it.
    if (batch.use_count() != 1)
        return;
    batch->records = 0;
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (spares_.size() < kKeptSpares)
        spares_.push_back(std::move(batch));
}

void RecordSpool::waitUntilStored()
{
    std::unique_lock<std::mutex> lock(queueMutex_);
    queueChanged_.wait(lock, [this] { return queued_.empty() && !writerBusy_; });
}

void RecordSpool::writerLoop()
{
    std::unique_lock<std::mutex> lock(queueMutex_);
    Clock::time_point writeOutAt = Clock::now() + kWriteOutPeriod;
    for (;;) {
        const bool woken = queueChanged_.wait_until(
            lock, writeOutAt, [this] { return quitting_ || !queued_.empty(); });
        if (quitting_)
            return;
        if (!woken) {
            // The deadline passed with every full batch stored.
            const Clock::time_point now = Clock::now();
            lock.unlock();
            const bool taken = takeFilling();
            lock.lock();
            writeOutAt = now + (taken ? kWriteOutPeriod : kRetryAfter);
            continue;
        }
        SharedBatch batch = std::move(queued_.front());
        queued_.pop_front();
        writerBusy_ = true;
        lock.unlock();
        queueChanged_.notify_all(); // room for a waiting producer
        store(std::move(batch));
        lock.lock();
        writerBusy_ = false;
        queueChanged_.notify_all(); // for waitUntilStored()
    }
}

// Queues the batch being filled behind the full ones; the producer goes on
// in a spare. False when the producer's lock is taken: the writer does not
// wait for it, since its holder may be waiting for the writer.
bool RecordSpool::takeFilling()
{
    // While the file refuses records, partly filled batches would only
    // spend the memory kept for the waiting ones.
    if (!spillUsable()) {
        retryRefusedFile();
        return true;
    }
    std::unique_lock<std::mutex> appendLock(appendMutex_, std::try_to_lock);
    if (!appendLock.owns_lock())
        return false;
    if (current_ && current_->records > 0) {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queued_.push_back(std::move(current_));
    }
    return true;
}

bool RecordSpool::spillUsable()
{
    std::lock_guard<std::mutex> lock(storeMutex_);
    return refusal_.isEmpty();
}

void RecordSpool::store(SharedBatch batch)
{
    std::optional<SpoolNotice> notice;
    {
        std::lock_guard<std::mutex> lock(storeMutex_);
        inMemory_.push_back(std::move(batch));
        if (refusal_.isEmpty() || Clock::now() >= retryAt_)
            writeWaiting(notice);
        // Beyond the memory kept, the newest batch goes: what is kept
        // follows the file without a gap.
        const std::size_t batchBytes = limits_.batchRecords * recordSize_;
        if (!refusal_.isEmpty() && inMemory_.size() > 1 &&
            inMemory_.size() * batchBytes > limits_.heldBytes) {
            droppedRecords_ += inMemory_.back()->records;
            recycle(std::move(inMemory_.back()));
            inMemory_.pop_back();
        }
    }
    tell(notice);
}

void RecordSpool::retryRefusedFile()
{
    std::optional<SpoolNotice> notice;
    {
        std::lock_guard<std::mutex> lock(storeMutex_);
        if (!refusal_.isEmpty() && Clock::now() >= retryAt_)
            writeWaiting(notice);
    }
    tell(notice);
}

void RecordSpool::writeWaiting(std::optional<SpoolNotice> &notice)
{
    if (const int error = spill_ ? 0 : openSpill()) {
        refuse(error, notice);
        return;
    }
    while (!inMemory_.empty()) {
        if (const int error = spillToFile(*inMemory_.front())) {
            refuse(error, notice);
            return;
        }
        recycle(std::move(inMemory_.front()));
        inMemory_.pop_front();
    }
    if (!refusal_.isEmpty()) {
        refusal_.clear();
        notice = SpoolNotice{true, spillPath_, {}, limits_.heldBytes};
    }
}

int RecordSpool::openSpill()
{
    errno = 0;
    spill_ = std::fopen(QFile::encodeName(spillPath_).constData(), "wb");
    if (!spill_)
        return errno ? errno : ENOENT;
    // Each batch goes to the system in one write, and a refused one is
    // never left half in a buffer.
    std::setvbuf(spill_, nullptr, _IONBF, 0);
    return 0;
}

int RecordSpool::spillToFile(const SpoolBatch &batch)
{
    const std::size_t bytes = batch.records * recordSize_;
    errno = 0;
    if (std::fwrite(batch.bytes.data(), 1, bytes, spill_) == bytes && std::fflush(spill_) == 0) {
        spilledRecords_ += batch.records;
        return 0;
    }
    const int error = errno ? errno : EIO;
    // What part of the batch got in is cut off: the file keeps whole
    // records, and the batch is written again in full.
    const std::uint64_t whole = spilledRecords_ * recordSize_;
    std::clearerr(spill_);
    QFile::resize(spillPath_, static_cast<qint64>(whole));
    seekTo(spill_, whole);
    return error;
}

void RecordSpool::refuse(int error, std::optional<SpoolNotice> &notice)
{
    retryAt_ = Clock::now() + kRetryRefusedAfter;
    if (!refusal_.isEmpty())
        return;
    refusal_ = qt_error_string(error);
    notice = SpoolNotice{false, spillPath_, refusal_, limits_.heldBytes};
}

void RecordSpool::tell(const std::optional<SpoolNotice> &notice)
{
    if (notice && onNotice_)
        onNotice_(*notice);
}

void RecordSpool::start(Clock::time_point timeOrigin, const QString &newSpillPath)
{
    std::lock_guard<std::mutex> appendLock(appendMutex_);
    accepting_ = false;
    if (current_)
        current_->records = 0;
    waitUntilStored();
    {
        std::lock_guard<std::mutex> storeLock(storeMutex_);
        for (SharedBatch &batch : inMemory_)
            recycle(std::move(batch));
        inMemory_.clear();
        if (spill_)
            std::fclose(spill_);
        spill_ = nullptr;
        if (!spillPath_.isEmpty())
            QFile::remove(spillPath_);
        spilledRecords_ = 0;
        droppedRecords_ = 0;
        refusal_.clear();
        spillPath_ = newSpillPath;
    }
    origin_ = timeOrigin;
    nextIndex_ = 0;
    accepting_ = true;
}

void RecordSpool::stop()
{
    std::lock_guard<std::mutex> lock(appendMutex_);
    accepting_ = false;
    if (current_ && current_->records > 0)
        handOver();
}

SpoolSnapshot RecordSpool::snapshot()
{
    std::lock_guard<std::mutex> appendLock(appendMutex_);
    if (current_ && current_->records > 0)
        handOver();
    waitUntilStored();
    std::lock_guard<std::mutex> storeLock(storeMutex_);
    std::FILE *reader =
        spilledRecords_ > 0 ? std::fopen(QFile::encodeName(spillPath_).constData(), "rb") : nullptr;
    return SpoolSnapshot(recordSize_, reader, spilledRecords_,
                         std::vector<SharedBatch>(inMemory_.begin(), inMemory_.end()), nextIndex_);
}

std::uint64_t RecordSpool::appended()
{
    std::lock_guard<std::mutex> lock(appendMutex_);
    return nextIndex_;
}

SpoolCounts RecordSpool::counts()
{
    // The stored counts first and without the producer's lock, which the
    // writer may need meanwhile; so appended is never below their sum.
    SpoolCounts counts;
    {
        std::lock_guard<std::mutex> lock(storeMutex_);
        counts.inFile = spilledRecords_;
        counts.dropped = droppedRecords_;
    }
    counts.appended = appended();
    counts.inMemory = counts.appended - counts.inFile - counts.dropped;
    return counts;
}

} // namespace recording
