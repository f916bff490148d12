// SPDX-License-Identifier: GPL-3.0-or-later
#include "dfuse_engine.h"

#include "text.h"

#include <algorithm>
#include <thread>

namespace dfu {

namespace {

// Upload and download address blocks relative to the address pointer; the
// pointer is set again before the 16-bit block number could run out.
constexpr std::size_t kBlocksPerPointer = 0x4000;

bool disconnected(const TransportError &error)
{
    return error.kind() == TransportError::Kind::Disconnected;
}

// Reports whole-ten percentages of a byte count as they are passed.
class PercentReporter
{
public:
    PercentReporter(const DfuseEngine::Reporter &report, std::string label, std::uint64_t total)
        : report_(report), label_(std::move(label)), total_(std::max<std::uint64_t>(total, 1))
    {
    }
    void advance(std::uint64_t bytes)
    {
        done_ += bytes;
        const int percent = int(done_ * 100 / total_);
        if (percent / 10 > lastTenth_) {
            lastTenth_ = percent / 10;
            report_(label_ + " " + std::to_string(lastTenth_ * 10) + "%");
        }
    }

private:
    const DfuseEngine::Reporter &report_;
    std::string label_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    int lastTenth_ = 0;
};

} // namespace

DfuseEngine::DfuseEngine(DfuTransport &transport, Reporter report,
                         std::chrono::milliseconds operationLimit)
    : transport_(transport), report_(std::move(report)), operationLimit_(operationLimit)
{
}

std::uint16_t DfuseEngine::transferSize() const
{
    const std::uint16_t size = transport_.description().transferSize;
    if (size == 0)
        throw DeviceError("the device announces a transfer size of 0");
    return size;
}

StatusReport DfuseEngine::getStatus()
{
    const auto bytes = transport_.controlIn(Request::GetStatus, 0, kStatusReportLength);
    try {
        return decodeStatusReport(bytes);
    } catch (const std::runtime_error &error) {
        throw DeviceError(error.what());
    }
}

StatusReport DfuseEngine::waitWhileBusy(StatusReport report, const Describe &what,
                                        const WhileBusy &whileBusy)
{
    const auto deadline = std::chrono::steady_clock::now() + operationLimit_;
    bool busyWorkDone = false;
    while (report.state == State::DfuDownloadBusy || report.state == State::DfuManifest) {
        // The announced time counts from the answer just received; the device
        // started it no later than it sent that answer.
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            throw DeviceError(what() + " did not finish in time: " + describeStatus(report));
        const auto pollAt = std::min<std::chrono::steady_clock::time_point>(
            now + std::chrono::milliseconds(report.pollTimeoutMs), deadline);
        if (whileBusy && !busyWorkDone) {
            busyWorkDone = true;
            whileBusy();
        }
        std::this_thread::sleep_until(pollAt);
        report = getStatus();
    }
    if (whileBusy && !busyWorkDone)
        whileBusy();
    return report;
}

void DfuseEngine::enterIdle()
{
    StatusReport report =
        waitWhileBusy(getStatus(), [] { return std::string("the pending operation"); }, {});
    if (report.state == State::DfuError) {
        transport_.controlOut(Request::ClearStatus, 0, {});
        report = getStatus();
    }
    if (report.state != State::DfuIdle) {
        abortToIdle();
        report = getStatus();
    }
    if (report.state != State::DfuIdle)
        throw DeviceError("the device does not become idle: " + describeStatus(report));
}

void DfuseEngine::abortToIdle()
{
    transport_.controlOut(Request::Abort, 0, {});
}

void DfuseEngine::runCommand(std::uint16_t block, const std::vector<std::uint8_t> &data,
                             const Describe &what, const WhileBusy &whileBusy)
{
    StatusReport report;
    try {
        transport_.controlOut(Request::Download, block, data);
        report = waitWhileBusy(getStatus(), what, whileBusy);
    } catch (const TransportError &error) {
        throw DeviceError(what() + " failed: " + error.what());
    }
    if (report.status != Status::Ok || report.state != State::DfuDownloadIdle)
        throw DeviceError(what() + " failed: " + describeStatus(report));
}

void DfuseEngine::setAddressPointer(std::uint32_t address, const WhileBusy &whileBusy)
{
    runCommand(
        0, dfuseCommand(DfuseCommand::SetAddressPointer, address),
        [address] { return "setting the address pointer to " + hex32(address); }, whileBusy);
}

void DfuseEngine::erasePage(std::uint32_t address, const WhileBusy &whileBusy)
{
    runCommand(
        0, dfuseCommand(DfuseCommand::Erase, address),
        [address] { return "erasing the page at " + hex32(address); }, whileBusy);
}

void DfuseEngine::write(std::uint32_t address, const std::vector<std::uint8_t> &data)
{
    writeBlocks(address, data, {});
}

void DfuseEngine::writeBlocks(std::uint32_t address, const std::vector<std::uint8_t> &data,
                              const BlockDone &blockDone)
{
    const std::size_t blockSize = transferSize();
    // A block is reported done while the device works on the next one.
    std::size_t unreported = 0;
    const WhileBusy reportWritten = [&] {
        if (unreported > 0 && blockDone)
            blockDone(unreported);
        unreported = 0;
    };
    std::vector<std::uint8_t> chunk;
    chunk.reserve(blockSize);
    std::size_t offset = 0;
    try {
        while (offset < data.size()) {
            setAddressPointer(address + std::uint32_t(offset), reportWritten);
            // Full blocks follow one another from the pointer; a short last block
            // gets its own pointer so that both ways of counting block addresses agree.
            for (std::size_t block = 0; block < kBlocksPerPointer && offset < data.size();
                 ++block) {
                const std::size_t length = std::min(blockSize, data.size() - offset);
                if (length < blockSize && block > 0)
                    break;
                chunk.assign(data.begin() + std::ptrdiff_t(offset),
                             data.begin() + std::ptrdiff_t(offset + length));
                const std::uint32_t at = address + std::uint32_t(offset);
                runCommand(
                    std::uint16_t(kFirstDataBlock + block), chunk,
                    [length, at] {
                        return "writing " + std::to_string(length) + " bytes at " + hex32(at);
                    },
                    reportWritten);
                offset += length;
                unreported = length;
            }
        }
    } catch (...) {
        reportWritten();
        throw;
    }
    reportWritten();
}

std::vector<std::uint8_t> DfuseEngine::read(std::uint32_t address, std::size_t length)
{
    return readBlocks(address, length, {});
}

std::vector<std::uint8_t> DfuseEngine::readBlocks(std::uint32_t address, std::size_t length,
                                                  const BlockDone &blockDone)
{
    const std::size_t blockSize = transferSize();
    std::vector<std::uint8_t> data;
    data.reserve(length);
    while (data.size() < length) {
        const std::uint32_t groupAddress = address + std::uint32_t(data.size());
        setAddressPointer(groupAddress);
        abortToIdle();
        for (std::size_t block = 0; block < kBlocksPerPointer && data.size() < length; ++block) {
            const std::size_t wanted = std::min(blockSize, length - data.size());
            if (wanted < blockSize && block > 0)
                break;
            std::vector<std::uint8_t> chunk;
            try {
                chunk = transport_.controlIn(
                    Request::Upload, std::uint16_t(kFirstDataBlock + block), std::uint16_t(wanted));
            } catch (const TransportError &error) {
                throw DeviceError("reading at " + hex32(groupAddress) + " failed: " + error.what());
            }
            if (chunk.size() != wanted)
                throw DeviceError("reading at " + hex32(address + std::uint32_t(data.size())) +
                                  " gave " + std::to_string(chunk.size()) + " bytes instead of " +
                                  std::to_string(wanted));
            data.insert(data.end(), chunk.begin(), chunk.end());
            if (blockDone)
                blockDone(wanted);
        }
        abortToIdle();
    }
    return data;
}

void DfuseEngine::verify(const ImageElement &element, const BlockDone &blockDone)
{
    const std::vector<std::uint8_t> readBack =
        readBlocks(element.address, element.data.size(), blockDone);
    const auto mismatch = std::mismatch(element.data.begin(), element.data.end(), readBack.begin());
    if (mismatch.first != element.data.end()) {
        const auto offset = std::uint32_t(mismatch.first - element.data.begin());
        throw DeviceError("verification failed: the byte at " + hex32(element.address + offset) +
                          " reads back different from the file");
    }
}

void DfuseEngine::progress(Phase phase, std::uint64_t done, std::uint64_t total)
{
    if (progress_)
        progress_(phase, done, total);
}

void DfuseEngine::flash(const std::vector<ImageElement> &elements, const FlashPlan &plan)
{
    enterIdle();
    std::uint64_t eraseTotal = 0;
    for (const Page &page : plan.pagesToErase)
        eraseTotal += page.size;
    report_("Erasing " + std::to_string(plan.pagesToErase.size()) + " page(s)");
    std::uint64_t erased = 0;
    progress(Phase::Erase, erased, eraseTotal);
    // A page is reported erased while the device erases the next one.
    const Page *unreported = nullptr;
    const WhileBusy reportErased = [&] {
        if (!unreported)
            return;
        erased += unreported->size;
        progress(Phase::Erase, erased, eraseTotal);
        report_("Erased page at " + hex32(unreported->start) + " (" +
                std::to_string(unreported->size / 1024) + " KiB)");
        unreported = nullptr;
    };
    try {
        for (const Page &page : plan.pagesToErase) {
            erasePage(page.start, reportErased);
            unreported = &page;
        }
    } catch (...) {
        reportErased();
        throw;
    }
    reportErased();

    PercentReporter writing(report_, "Writing", plan.bytesToWrite);
    std::uint64_t written = 0;
    progress(Phase::Write, written, plan.bytesToWrite);
    for (const ImageElement &element : elements)
        writeBlocks(element.address, element.data, [&](std::size_t bytes) {
            written += bytes;
            progress(Phase::Write, written, plan.bytesToWrite);
            writing.advance(bytes);
        });
    abortToIdle();

    report_("Verifying");
    std::uint64_t verified = 0;
    progress(Phase::Verify, verified, plan.bytesToWrite);
    for (const ImageElement &element : elements)
        if (!element.data.empty())
            verify(element, [&](std::size_t bytes) {
                verified += bytes;
                progress(Phase::Verify, verified, plan.bytesToWrite);
            });
    report_("Verified " + std::to_string(plan.bytesToWrite) + " bytes");
}

void DfuseEngine::leave(std::uint32_t applicationAddress)
{
    progress(Phase::Leave, 0, 1);
    enterIdle();
    setAddressPointer(applicationAddress);
    StatusReport report;
    try {
        transport_.controlOut(Request::Download, 0, {});
        report = getStatus();
    } catch (const TransportError &error) {
        if (!disconnected(error))
            throw DeviceError(std::string("starting the application failed: ") + error.what());
        progress(Phase::Leave, 1, 1);
        return;
    }
    if (report.status != Status::Ok)
        throw DeviceError("the device did not start the application at " +
                          hex32(applicationAddress) + ": " + describeStatus(report));
    progress(Phase::Leave, 1, 1);
}

const char *phaseName(Phase phase)
{
    switch (phase) {
    case Phase::Erase:
        return "erase";
    case Phase::Write:
        return "write";
    case Phase::Verify:
        return "verify";
    case Phase::Leave:
        break;
    }
    return "leave";
}

} // namespace dfu
