// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb_descriptors.h"

namespace fakeusb {

namespace {

constexpr std::uint8_t kFunctionalDescriptorType = 0x21;
constexpr std::uint8_t kManufacturerIndex = 1;
constexpr std::uint8_t kProductIndex = 2;
constexpr std::uint8_t kSerialIndex = 3;
constexpr std::uint8_t kFirstAlternateNameIndex = 4;

// The alternate settings beside the flash, with the names the STM32F4 bootloader gives them.
const char *const kOtherAlternateNames[] = {
    "@Option Bytes  /0x1FFFC000/01*016 e",
    "@OTP Memory /0x1FFF7800/01*512 e,01*016 e",
    "@Device Feature/0xFFFF0000/01*004 e",
};

void put16(std::vector<std::uint8_t> &out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

std::vector<std::uint8_t> deviceDescriptor(const dfu::DeviceDescription &dfu)
{
    std::vector<std::uint8_t> d{18, kDeviceDescriptorType};
    put16(d, 0x0100); // bcdUSB as the bootloader reports it
    d.insert(d.end(), {0, 0, 0, 64});
    put16(d, dfu.vendorId);
    put16(d, dfu.productId);
    put16(d, dfu.bcdDevice);
    d.insert(d.end(), {kManufacturerIndex, kProductIndex, kSerialIndex, 1});
    return d;
}

void appendInterface(std::vector<std::uint8_t> &out, std::uint8_t alternate, std::uint8_t name)
{
    // Interface 0, no endpoints, DFU class in DFU mode.
    out.insert(out.end(), {9, kInterfaceDescriptorType, 0, alternate, 0, 0xFE, 0x01, 0x02, name});
}

// One DFU functional descriptor follows the last alternate setting.
void appendFunctionalDescriptor(std::vector<std::uint8_t> &out, const dfu::DeviceDescription &dfu)
{
    out.insert(out.end(), {9, kFunctionalDescriptorType, dfu.attributes});
    put16(out, dfu.detachTimeoutMs);
    put16(out, dfu.transferSize);
    put16(out, dfu.bcdDfu);
}

std::vector<std::uint8_t> configurationDescriptor(const dfu::DeviceDescription &dfu)
{
    const std::uint8_t alternates = 1 + std::size(kOtherAlternateNames);
    std::vector<std::uint8_t> body;
    for (std::uint8_t a = 0; a < alternates; ++a)
        appendInterface(body, a, std::uint8_t(kFirstAlternateNameIndex + a));
    appendFunctionalDescriptor(body, dfu);

    // One interface, configuration value 1, self powered, 100 mA.
    std::vector<std::uint8_t> config{9, kConfigDescriptorType};
    put16(config, std::uint16_t(9 + body.size()));
    config.insert(config.end(), {1, 1, 0, 0xC0, 50});
    config.insert(config.end(), body.begin(), body.end());
    return config;
}

} // namespace

DescriptorSet bootloaderDescriptors(const dfu::DeviceDescription &dfu, const std::string &serial)
{
    DescriptorSet set;
    set.device = deviceDescriptor(dfu);
    set.configuration = configurationDescriptor(dfu);
    set.strings = {"STMicroelectronics", "STM32  BOOTLOADER", serial, dfu.alternateName};
    set.strings.insert(set.strings.end(), std::begin(kOtherAlternateNames),
                       std::end(kOtherAlternateNames));
    return set;
}

std::vector<std::uint8_t> stringDescriptor(const DescriptorSet &set, std::uint8_t index)
{
    if (index == 0)
        return {4, kStringDescriptorType, std::uint8_t(kEnglishUs), std::uint8_t(kEnglishUs >> 8)};
    if (index > set.strings.size())
        return {};
    const std::string &text = set.strings[index - 1];
    std::vector<std::uint8_t> d{std::uint8_t(2 + 2 * text.size()), kStringDescriptorType};
    for (const char c : text)
        put16(d, std::uint8_t(c));
    return d;
}

} // namespace fakeusb
