// SPDX-License-Identifier: GPL-3.0-or-later
// The DFU side of an STM32 system bootloader, without any transport: one call
// per class request, with the time passed in so that polling can be checked.
#pragma once

#include "application_image.h"
#include "bootloader_timing.h"
#include "dfu_protocol.h"
#include "dfu_transport.h"
#include "flash_memory.h"
#include "memory_layout.h"
#include "sim_wire.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace dfusim {

using Clock = std::chrono::steady_clock;

struct BootloaderConfig
{
    std::string memoryLayout = dfu::kModuleFlashLayout;
    std::uint16_t transferSize = 2048;
    // The USB serial number string, derived from the microcontroller's unique ID.
    std::string serialNumber;
    // Fast by default so that whole images flash in moments.
    BootloaderTiming timing = BootloaderTiming::fast();
    // A write touching this address fails with errWRITE (a worn-out cell).
    std::optional<std::uint32_t> failingWriteAddress;
    // Once, the data download that brings the bytes a client wrote to this
    // count or beyond goes unanswered, and so does everything after it until
    // that client goes away (a bootloader that hangs in the middle of a
    // write). Played by SimulatedBootloader, which owns the connection.
    std::optional<std::uint64_t> stallAtByte;
};

struct BootloaderStats
{
    std::size_t requests = 0;
    std::size_t stalls = 0;
    std::size_t earlyPolls = 0; // GETSTATUS before the announced poll timeout ran out
    // The poll timeouts announced as each operation began: the least time a
    // host that polls exactly when told spends waiting.
    std::chrono::milliseconds announcedBusy{0};
    std::vector<std::uint32_t> erasedPages; // page start addresses, in erase order
    std::uint64_t bytesProgrammed = 0;      // image bytes written into flash
};

struct StartedApplication
{
    std::uint32_t address = 0;
    std::optional<FirmwareVersion> version;
};

class BootloaderDevice
{
public:
    explicit BootloaderDevice(const BootloaderConfig &config = {});

    // A fresh start of the bootloader: dfuERROR until cleared, pointer at the
    // start of flash. Flash keeps its content.
    void restart();

    dfu::DeviceDescription description() const;
    dfu::simwire::ResponseMessage handle(const dfu::simwire::RequestMessage &request,
                                         Clock::time_point now);

    // Set once a leave found a valid vector table; the device then resets.
    const std::optional<StartedApplication> &startedApplication() const { return started_; }

    FlashMemory &flash() { return flash_; }
    const FlashMemory &flash() const { return flash_; }
    const BootloaderStats &stats() const { return stats_; }

private:
    using Response = dfu::simwire::ResponseMessage;
    struct Pending
    {
        std::uint16_t block = 0;
        std::vector<std::uint8_t> payload;
    };

    Response download(std::uint16_t block, std::vector<std::uint8_t> payload);
    Response upload(std::uint16_t block, std::uint16_t length);
    Response getStatus(Clock::time_point now);
    Response clearStatus();
    Response abort();
    Response stall();
    Response report(std::uint32_t pollMs = 0) const;

    void executePending(Clock::time_point now);
    std::chrono::milliseconds busyTime(const Pending &pending) const;
    dfu::Status executeCommand(const std::vector<std::uint8_t> &payload);
    dfu::Status erase(const std::vector<std::uint8_t> &payload);
    dfu::Status writeBlock(const Pending &pending);
    void manifest();

    BootloaderConfig config_;
    dfu::MemoryLayout layout_;
    FlashMemory flash_;
    dfu::State state_ = dfu::State::DfuError;
    dfu::Status status_ = dfu::Status::ErrPowerOnReset;
    std::uint32_t addressPointer_ = 0;
    Pending pending_;
    dfu::Status pendingResult_ = dfu::Status::Ok;
    std::chrono::milliseconds pendingPoll_{0};
    Clock::time_point busyUntil_;
    std::optional<StartedApplication> started_;
    BootloaderStats stats_;
};

} // namespace dfusim
