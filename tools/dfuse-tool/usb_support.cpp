// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb_support.h"

#include <thread>

namespace dfu {

namespace {

// The bus is re-read this often while waiting for a device to disappear.
constexpr std::chrono::milliseconds kBusPollInterval{50};

} // namespace

std::string missingUdevRuleAdvice(const std::string &location)
{
    return std::string("the system refused access to the USB device at ") + location +
           ". The udev rule that lets the logged-in user use the module is not installed. "
           "Install it once with\n"
           "    sudo cp packaging/linux/" +
           kUdevRuleFile +
           " /etc/udev/rules.d/\n"
           "    sudo udevadm control --reload-rules\n"
           "then unplug the module and plug it in again.";
}

bool leftTheBusWithin(const std::function<bool()> &stillAttached, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (stillAttached()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kBusPollInterval, deadline - now));
    }
    return true;
}

} // namespace dfu
