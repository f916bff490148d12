// SPDX-License-Identifier: GPL-3.0-or-later
#include "bootloader_device.h"

#include "byte_order.h"

namespace dfusim {

namespace {

using dfu::DfuseCommand;
using dfu::Request;
using dfu::State;
using dfu::Status;

constexpr std::uint16_t kBcdDevice = 0x2200;
// Download and upload capable, manifestation tolerant, detaches by itself.
constexpr std::uint8_t kAttributes = 0x0B;

FlashMemory flashFor(const dfu::MemoryLayout &layout)
{
    std::uint64_t start = layout.runs.front().start;
    std::uint64_t end = layout.runs.front().end();
    for (const dfu::PageRun &run : layout.runs) {
        start = std::min<std::uint64_t>(start, run.start);
        end = std::max(end, run.end());
    }
    return FlashMemory(std::uint32_t(start), std::uint32_t(end - start));
}

bool acceptsDownload(State state)
{
    return state == State::DfuIdle || state == State::DfuDownloadIdle;
}

bool acceptsAbort(State state)
{
    return state == State::DfuIdle || state == State::DfuDownloadSync ||
           state == State::DfuDownloadIdle || state == State::DfuManifestSync ||
           state == State::DfuUploadIdle;
}

} // namespace

BootloaderDevice::BootloaderDevice(const BootloaderConfig &config)
    : config_(config), layout_(dfu::parseMemoryLayout(config.memoryLayout)),
      flash_(flashFor(layout_))
{
    restart();
}

void BootloaderDevice::restart()
{
    state_ = State::DfuError;
    status_ = Status::ErrPowerOnReset;
    addressPointer_ = flash_.base();
    started_.reset();
}

dfu::DeviceDescription BootloaderDevice::description() const
{
    dfu::DeviceDescription description;
    description.vendorId = dfu::kBootloaderVendorId;
    description.productId = dfu::kBootloaderProductId;
    description.bcdDevice = kBcdDevice;
    description.bcdDfu = dfu::kDfuseVersion;
    description.transferSize = config_.transferSize;
    description.attributes = kAttributes;
    description.detachTimeoutMs = 255;
    description.alternateName = config_.memoryLayout;
    description.serialNumber = config_.serialNumber;
    return description;
}

dfu::simwire::ResponseMessage BootloaderDevice::handle(const dfu::simwire::RequestMessage &request,
                                                       Clock::time_point now)
{
    ++stats_.requests;
    if (request.request == dfu::simwire::kDescribeRequest)
        return {false, dfu::simwire::encodeDescription(description())};
    switch (Request(request.request)) {
    case Request::Download:
        if (request.payload.size() != request.length)
            return stall();
        return download(request.value, request.payload);
    case Request::Upload:
        return upload(request.value, request.length);
    case Request::GetStatus:
        return getStatus(now);
    case Request::ClearStatus:
        return clearStatus();
    case Request::GetState:
        return {false, {std::uint8_t(state_)}};
    case Request::Abort:
        return abort();
    default:
        return stall();
    }
}

dfu::simwire::ResponseMessage BootloaderDevice::stall()
{
    ++stats_.stalls;
    state_ = State::DfuError;
    status_ = Status::ErrStalledPacket;
    return {true, {}};
}

dfu::simwire::ResponseMessage BootloaderDevice::report(std::uint32_t pollMs) const
{
    return {false, dfu::encodeStatusReport({status_, pollMs, state_, 0})};
}

dfu::simwire::ResponseMessage BootloaderDevice::download(std::uint16_t block,
                                                         std::vector<std::uint8_t> payload)
{
    if (!acceptsDownload(state_) || block == 1 || payload.size() > config_.transferSize)
        return stall();
    if (payload.empty()) {
        // A zero-length download ends the session: leave after the next GETSTATUS.
        if (state_ != State::DfuDownloadIdle)
            return stall();
        state_ = State::DfuManifestSync;
        return {false, {}};
    }
    pending_ = {block, std::move(payload)};
    state_ = State::DfuDownloadSync;
    return {false, {}};
}

dfu::simwire::ResponseMessage BootloaderDevice::upload(std::uint16_t block, std::uint16_t length)
{
    if ((state_ != State::DfuIdle && state_ != State::DfuUploadIdle) || block == 1 ||
        length > config_.transferSize)
        return stall();
    state_ = State::DfuUploadIdle;
    if (block == 0) {
        return {false,
                {std::uint8_t(DfuseCommand::GetCommands),
                 std::uint8_t(DfuseCommand::SetAddressPointer), std::uint8_t(DfuseCommand::Erase),
                 std::uint8_t(DfuseCommand::ReadUnprotect)}};
    }
    // As the device computes it: from the transfer size, not from this
    // request's length, so a short last block still reads where it belongs.
    const std::uint64_t address =
        std::uint64_t(addressPointer_) +
        std::uint64_t(block - dfu::kFirstDataBlock) * config_.transferSize;
    if (!flash_.contains(address, length)) {
        stall();
        status_ = Status::ErrTarget;
        return {true, {}};
    }
    return {false, flash_.read(std::uint32_t(address), length)};
}

dfu::simwire::ResponseMessage BootloaderDevice::getStatus(Clock::time_point now)
{
    switch (state_) {
    case State::DfuDownloadSync:
        executePending(now);
        return report(std::uint32_t(pendingPoll_.count()));
    case State::DfuDownloadBusy:
        if (now < busyUntil_) {
            ++stats_.earlyPolls;
            return report(std::uint32_t(
                std::chrono::ceil<std::chrono::milliseconds>(busyUntil_ - now).count()));
        }
        status_ = pendingResult_;
        state_ = status_ == Status::Ok ? State::DfuDownloadIdle : State::DfuError;
        return report();
    case State::DfuManifestSync:
        manifest();
        return report();
    default:
        return report();
    }
}

dfu::simwire::ResponseMessage BootloaderDevice::clearStatus()
{
    if (state_ != State::DfuError)
        return stall();
    state_ = State::DfuIdle;
    status_ = Status::Ok;
    return {false, {}};
}

dfu::simwire::ResponseMessage BootloaderDevice::abort()
{
    if (!acceptsAbort(state_))
        return stall();
    state_ = State::DfuIdle;
    return {false, {}};
}

void BootloaderDevice::executePending(Clock::time_point now)
{
    pendingPoll_ = busyTime(pending_);
    pendingResult_ = pending_.block == 0 ? executeCommand(pending_.payload) : writeBlock(pending_);
    busyUntil_ = now + pendingPoll_;
    stats_.announcedBusy += pendingPoll_;
    state_ = State::DfuDownloadBusy;
}

// As long as the flash is busy with the operation: a sector erase by the
// sector's size, a write by its words.
std::chrono::milliseconds BootloaderDevice::busyTime(const Pending &pending) const
{
    const BootloaderTiming &timing = config_.timing;
    if (pending.block != 0)
        return timing.writeBusy(pending.payload.size());
    if (pending.payload[0] != std::uint8_t(DfuseCommand::Erase))
        return timing.commandBusyTime();
    if (pending.payload.size() == 1)
        return timing.massEraseBusy();
    const auto page = pending.payload.size() == 5
                          ? dfu::pageAt(layout_, dfu::readLe32(pending.payload.data() + 1))
                          : std::nullopt;
    return page ? timing.sectorEraseBusy(page->size) : timing.commandBusyTime();
}

dfu::Status BootloaderDevice::executeCommand(const std::vector<std::uint8_t> &payload)
{
    switch (DfuseCommand(payload[0])) {
    case DfuseCommand::SetAddressPointer:
        if (payload.size() != 5)
            return Status::ErrUnknown;
        if (!flash_.contains(dfu::readLe32(payload.data() + 1), 0))
            return Status::ErrTarget;
        addressPointer_ = dfu::readLe32(payload.data() + 1);
        return Status::Ok;
    case DfuseCommand::Erase:
        return erase(payload);
    default:
        return Status::ErrUnknown;
    }
}

dfu::Status BootloaderDevice::erase(const std::vector<std::uint8_t> &payload)
{
    if (payload.size() == 1) {
        for (const dfu::PageRun &run : layout_.runs)
            for (std::uint32_t i = 0; i < run.pageCount; ++i)
                stats_.erasedPages.push_back(run.start + i * run.pageSize);
        flash_.erase(flash_.base(), std::uint32_t(flash_.end() - flash_.base()));
        return Status::Ok;
    }
    if (payload.size() != 5)
        return Status::ErrUnknown;
    const auto page = dfu::pageAt(layout_, dfu::readLe32(payload.data() + 1));
    if (!page || !page->run->erasable)
        return Status::ErrTarget;
    flash_.erase(page->start, page->size);
    stats_.erasedPages.push_back(page->start);
    return Status::Ok;
}

dfu::Status BootloaderDevice::writeBlock(const Pending &pending)
{
    const std::uint64_t address =
        std::uint64_t(addressPointer_) +
        std::uint64_t(pending.block - dfu::kFirstDataBlock) * config_.transferSize;
    const std::uint64_t end = address + pending.payload.size();
    for (std::uint64_t at = address; at < end;) {
        if (at > 0xFFFFFFFFu)
            return Status::ErrTarget;
        const auto page = dfu::pageAt(layout_, std::uint32_t(at));
        if (!page || !page->run->writable)
            return Status::ErrTarget;
        at = std::uint64_t(page->start) + page->size;
    }
    const auto &fault = config_.failingWriteAddress;
    if (fault && *fault >= address && *fault < end)
        return Status::ErrWrite;
    if (!flash_.program(std::uint32_t(address), pending.payload))
        return Status::ErrVerify;
    stats_.bytesProgrammed += pending.payload.size();
    return Status::Ok;
}

void BootloaderDevice::manifest()
{
    if (!hasValidVectorTable(flash_, addressPointer_)) {
        state_ = State::DfuError;
        status_ = Status::ErrFirmware;
        return;
    }
    state_ = State::DfuManifest;
    status_ = Status::Ok;
    started_ = StartedApplication{addressPointer_, findVersion(flash_, addressPointer_)};
}

} // namespace dfusim
