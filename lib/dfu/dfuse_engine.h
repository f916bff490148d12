// SPDX-License-Identifier: GPL-3.0-or-later
// DfuSe operations over any DfuTransport: bring the device to dfuIDLE, erase,
// write, read back and start the application.
#pragma once

#include "dfu_transport.h"
#include "flash_plan.h"

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>

namespace dfu {

// A failed device operation; the text names the step, the DFU status and state.
class DeviceError : public std::runtime_error
{
public:
    explicit DeviceError(const std::string &message) : std::runtime_error(message) {}
};

// The stages of a flash (and of leaving the bootloader) that progress is counted in.
enum class Phase
{
    Erase,  // bytes of the pages erased so far, of all pages to erase
    Write,  // image bytes written
    Verify, // image bytes read back and compared
    Leave   // 0 of 1 when starting the application is asked for, 1 of 1 once it started
};

// "erase", "write", "verify" or "leave".
const char *phaseName(Phase phase);

class DfuseEngine
{
public:
    using Reporter = std::function<void(const std::string &line)>;
    using ProgressListener =
        std::function<void(Phase phase, std::uint64_t done, std::uint64_t total)>;

    // `report` receives progress lines; `operationLimit` bounds how long one
    // command may keep the device busy before it counts as failed.
    DfuseEngine(DfuTransport &transport, Reporter report,
                std::chrono::milliseconds operationLimit = std::chrono::seconds(10));

    // `listener` hears each phase start (done 0) and every page or block
    // finished within it.
    void setProgressListener(ProgressListener listener) { progress_ = std::move(listener); }

    // Clears an error state and aborts any pending transfer.
    void enterIdle();
    // Work that only informs (progress lines) and is done while the device is
    // busy with a command, so that the wait pays for it; done once per command.
    using WhileBusy = std::function<void()>;

    void setAddressPointer(std::uint32_t address, const WhileBusy &whileBusy = {});
    void erasePage(std::uint32_t address, const WhileBusy &whileBusy = {});
    void write(std::uint32_t address, const std::vector<std::uint8_t> &data);
    std::vector<std::uint8_t> read(std::uint32_t address, std::size_t length);

    // Erases every page of the plan, writes every element, then reads all back.
    void flash(const std::vector<ImageElement> &elements, const FlashPlan &plan);

    // Points the device at `applicationAddress` and asks it to start from
    // there. A device that drops off the link (TransportError Disconnected)
    // while doing so has started; any other transport failure is a failure.
    void leave(std::uint32_t applicationAddress);

private:
    using BlockDone = std::function<void(std::size_t bytes)>;
    // Names a step in messages; called only when one is needed.
    using Describe = std::function<std::string()>;

    StatusReport getStatus();
    void writeBlocks(std::uint32_t address, const std::vector<std::uint8_t> &data,
                     const BlockDone &blockDone);
    std::vector<std::uint8_t> readBlocks(std::uint32_t address, std::size_t length,
                                         const BlockDone &blockDone);
    void progress(Phase phase, std::uint64_t done, std::uint64_t total);
    void runCommand(std::uint16_t block, const std::vector<std::uint8_t> &data,
                    const Describe &what, const WhileBusy &whileBusy);
    StatusReport waitWhileBusy(StatusReport report, const Describe &what,
                               const WhileBusy &whileBusy);
    void abortToIdle();
    void verify(const ImageElement &element, const BlockDone &blockDone);
    std::uint16_t transferSize() const;

    DfuTransport &transport_;
    Reporter report_;
    ProgressListener progress_;
    std::chrono::milliseconds operationLimit_;
};

} // namespace dfu
