// SPDX-License-Identifier: GPL-3.0-or-later
// The USB descriptors of an STM32F4 system bootloader in DFU mode, as raw
// bytes the way the device sends them.
//
// Sources: the USB class definition of Device Firmware Upgrade (DFU),
// version 1.1 (functional descriptor, DFU-mode interface);
// the DfuSe file format and protocol document (bcdDFU 0x011A, alternate setting
// names as memory layouts); ST application note AN3156, "USB DFU protocol used
// in the STM32 bootloader" (vendor and product identifiers, transfer size,
// attributes, the four alternate settings of the STM32F4 bootloader).
#pragma once

#include "dfu_transport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fakeusb {

constexpr std::uint8_t kDeviceDescriptorType = 0x01;
constexpr std::uint8_t kConfigDescriptorType = 0x02;
constexpr std::uint8_t kStringDescriptorType = 0x03;
constexpr std::uint8_t kInterfaceDescriptorType = 0x04;
constexpr std::uint16_t kEnglishUs = 0x0409;

struct DescriptorSet
{
    std::vector<std::uint8_t> device;        // the 18-byte device descriptor
    std::vector<std::uint8_t> configuration; // configuration, interfaces, functional descriptor
    std::vector<std::string> strings;        // string n at strings[n - 1]; all ASCII
};

// The bootloader's descriptors: `dfu` gives the identifiers, the functional
// descriptor's fields and the name of alternate setting 0; alternate settings
// 1 to 3 (option bytes, OTP memory, device feature) follow as on the STM32F4.
DescriptorSet bootloaderDescriptors(const dfu::DeviceDescription &dfu, const std::string &serial);

// String descriptor `index` (0: the language list) in USB's UTF-16LE form.
std::vector<std::uint8_t> stringDescriptor(const DescriptorSet &set, std::uint8_t index);

} // namespace fakeusb
