// Where dfuse-tool looks for devices: the simulated bootloader's socket in the
// simulator's rendezvous directory first, then the USB bus.
#pragma once

#include "dfu_transport.h"

#include <memory>
#include <vector>

namespace dfu {

std::vector<DeviceDescription> listDfuDevices();

// The device that --flash and --leave work on; nothing when none is found.
std::unique_ptr<DfuTransport> openDfuseDevice();

} // namespace dfu
