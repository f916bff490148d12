// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded by another program in place of the system's libusb-1.0 (through
// LD_LIBRARY_PATH), the stand-in's bus holds one simulated bootloader. Its
// flash lives between runs in the file named by $ORVIK_FAKE_USB_FLASH (an image
// of the whole flash, created when missing); once the application started,
// its address is written to the same name with ".started" appended.
#include "fake_usb_bus.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

class DropInBus
{
public:
    DropInBus()
    {
        fakeusb::resetBus();
        if (const char *path = std::getenv("ORVIK_FAKE_USB_FLASH"))
            flashFile_ = path;
        std::ifstream in(flashFile_, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        if (!bytes.empty())
            flash().load(flash().base(), bytes);
    }

    ~DropInBus()
    {
        if (std::getenv("ORVIK_FAKE_USB_TRACE")) {
            const auto &stats = fakeusb::device().stats();
            std::fprintf(stderr, "fake usb: %zu requests, %zu stalls, %zu early polls\n",
                         stats.requests, stats.stalls, stats.earlyPolls);
        }
        if (flashFile_.empty())
            return;
        const auto bytes =
            flash().read(flash().base(), std::size_t(flash().end() - flash().base()));
        std::ofstream(flashFile_, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        if (const auto &started = fakeusb::device().startedApplication()) {
            char address[16];
            std::snprintf(address, sizeof address, "0x%08X\n", unsigned(started->address));
            std::ofstream(flashFile_ + ".started") << address;
        }
    }

private:
    static dfusim::FlashMemory &flash() { return fakeusb::device().flash(); }

    std::string flashFile_;
};

const DropInBus dropInBus;

} // namespace
