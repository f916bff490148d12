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

class DfuseEngine
{
public:
    using Reporter = std::function<void(const std::string &line)>;

    // `report` receives progress lines; `operationLimit` bounds how long one
    // command may keep the device busy before it counts as failed.
    DfuseEngine(DfuTransport &transport, Reporter report,
                std::chrono::milliseconds operationLimit = std::chrono::seconds(10));

    // Clears an error state and aborts any pending transfer.
    void enterIdle();
    void setAddressPointer(std::uint32_t address);
    void erasePage(std::uint32_t address);
    void write(std::uint32_t address, const std::vector<std::uint8_t> &data);
    std::vector<std::uint8_t> read(std::uint32_t address, std::size_t length);

    // Erases every page of the plan, writes every element, then reads all back.
    void flash(const std::vector<ImageElement> &elements, const FlashPlan &plan);

    // Points the device at `applicationAddress` and asks it to start from
    // there. A device that drops off the link while doing so has started.
    void leave(std::uint32_t applicationAddress);

private:
    StatusReport getStatus();
    void runCommand(std::uint16_t block, const std::vector<std::uint8_t> &data,
                    const std::string &what);
    StatusReport waitWhileBusy(StatusReport report, const std::string &what);
    void abortToIdle();
    void verify(const ImageElement &element);
    std::uint16_t transferSize() const;

    DfuTransport &transport_;
    Reporter report_;
    std::chrono::milliseconds operationLimit_;
};

} // namespace dfu
