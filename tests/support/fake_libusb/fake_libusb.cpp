// SPDX-License-Identifier: GPL-3.0-or-later
// The libusb-1.0 functions that dfuse-tool and dfu-util call, over the
// simulated bus. Declarations come from the system's libusb header, so the
// signatures cannot drift from the library this stands in for.
#include "simulated_bus.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <map>

using fakeusb::SimulatedBus;
using fakeusb::SimulatedDevice;

namespace {

constexpr std::uint8_t kStandardDeviceIn = 0x80;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr unsigned kNoTimeout = 0;

// A parsed configuration descriptor and the storage its pointers lead into.
struct ParsedConfig
{
    struct Setting
    {
        libusb_interface_descriptor descriptor{};
        std::vector<unsigned char> extra;
    };
    libusb_config_descriptor config{};
    std::vector<unsigned char> configExtra;
    std::vector<std::vector<Setting>> interfaces;
    std::vector<std::vector<libusb_interface_descriptor>> settingArrays;
    std::vector<libusb_interface> interfaceArray;
};

std::map<const libusb_config_descriptor *, std::unique_ptr<ParsedConfig>> &parsedConfigs()
{
    static std::map<const libusb_config_descriptor *, std::unique_ptr<ParsedConfig>> configs;
    return configs;
}

std::uint16_t le16(const std::uint8_t *at)
{
    return std::uint16_t(at[0] | at[1] << 8);
}

libusb_interface_descriptor interfaceDescriptor(const std::uint8_t *d)
{
    libusb_interface_descriptor s{};
    s.bLength = d[0];
    s.bDescriptorType = d[1];
    s.bInterfaceNumber = d[2];
    s.bAlternateSetting = d[3];
    s.bNumEndpoints = d[4];
    s.bInterfaceClass = d[5];
    s.bInterfaceSubClass = d[6];
    s.bInterfaceProtocol = d[7];
    s.iInterface = d[8];
    return s;
}

// Other descriptors belong to the interface descriptor before them, as libusb
// hands them out in `extra`; before the first interface, to the configuration.
void splitDescriptors(const std::vector<std::uint8_t> &raw, ParsedConfig &parsed)
{
    std::vector<unsigned char> *extra = &parsed.configExtra;
    for (std::size_t at = raw[0]; at + 2 <= raw.size() && raw[at] >= 2; at += raw[at]) {
        const std::uint8_t *d = raw.data() + at;
        if (d[1] != fakeusb::kInterfaceDescriptorType) {
            extra->insert(extra->end(), d, d + d[0]);
            continue;
        }
        const auto setting = interfaceDescriptor(d);
        if (setting.bInterfaceNumber >= parsed.interfaces.size())
            parsed.interfaces.resize(setting.bInterfaceNumber + 1u);
        auto &settings = parsed.interfaces[setting.bInterfaceNumber];
        settings.push_back({setting, {}});
        extra = &settings.back().extra;
    }
}

// Points the libusb structures into the storage once it no longer moves.
void linkParsedConfig(const std::vector<std::uint8_t> &raw, ParsedConfig &parsed)
{
    for (auto &settings : parsed.interfaces) {
        parsed.settingArrays.emplace_back();
        for (auto &setting : settings) {
            setting.descriptor.extra = setting.extra.data();
            setting.descriptor.extra_length = int(setting.extra.size());
            parsed.settingArrays.back().push_back(setting.descriptor);
        }
    }
    for (const auto &array : parsed.settingArrays)
        parsed.interfaceArray.push_back({array.data(), int(array.size())});
    libusb_config_descriptor &c = parsed.config;
    c.bLength = raw[0];
    c.bDescriptorType = raw[1];
    c.wTotalLength = le16(&raw[2]);
    c.bNumInterfaces = raw[4];
    c.bConfigurationValue = raw[5];
    c.iConfiguration = raw[6];
    c.bmAttributes = raw[7];
    c.MaxPower = raw[8];
    c.interface = parsed.interfaceArray.data();
    c.extra = parsed.configExtra.data();
    c.extra_length = int(parsed.configExtra.size());
}

int standardIn(libusb_device_handle *handle, std::uint8_t type, std::uint8_t index,
               std::uint16_t language, unsigned char *data, std::uint16_t length)
{
    return libusb_control_transfer(handle, kStandardDeviceIn, kGetDescriptor,
                                   std::uint16_t(type << 8 | index), language, data, length,
                                   kNoTimeout);
}

} // namespace

extern "C" {

int libusb_init(libusb_context **context)
{
    if (context)
        *context = new libusb_context;
    return LIBUSB_SUCCESS;
}

void libusb_exit(libusb_context *context)
{
    delete context;
}

int libusb_set_option(libusb_context *, enum libusb_option, ...)
{
    return LIBUSB_SUCCESS;
}

const struct libusb_version *libusb_get_version(void)
{
    static const libusb_version version{1, 0, 26, 0, "", "simulated USB bus"};
    return &version;
}

const char *libusb_error_name(int code)
{
    switch (code) {
    case LIBUSB_SUCCESS:
        return "LIBUSB_SUCCESS / LIBUSB_TRANSFER_COMPLETED";
    case LIBUSB_ERROR_IO:
        return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM:
        return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS:
        return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE:
        return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND:
        return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY:
        return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT:
        return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_OVERFLOW:
        return "LIBUSB_ERROR_OVERFLOW";
    case LIBUSB_ERROR_PIPE:
        return "LIBUSB_ERROR_PIPE";
    case LIBUSB_ERROR_INTERRUPTED:
        return "LIBUSB_ERROR_INTERRUPTED";
    case LIBUSB_ERROR_NO_MEM:
        return "LIBUSB_ERROR_NO_MEM";
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return "LIBUSB_ERROR_NOT_SUPPORTED";
    case LIBUSB_ERROR_OTHER:
        return "LIBUSB_ERROR_OTHER";
    default:
        return "**UNKNOWN**";
    }
}

ssize_t libusb_get_device_list(libusb_context *, libusb_device ***list)
{
    const auto devices = SimulatedBus::instance().attachedDevices();
    *list = new libusb_device *[devices.size() + 1];
    for (std::size_t i = 0; i < devices.size(); ++i)
        (*list)[i] = &devices[i]->handle;
    (*list)[devices.size()] = nullptr;
    return ssize_t(devices.size());
}

void libusb_free_device_list(libusb_device **list, int)
{
    delete[] list;
}

// Devices live as long as the simulated bus; counting references is not needed.
libusb_device *libusb_ref_device(libusb_device *device)
{
    return device;
}

void libusb_unref_device(libusb_device *) {}

uint8_t libusb_get_bus_number(libusb_device *device)
{
    return device->simulated->busNumber;
}

uint8_t libusb_get_device_address(libusb_device *device)
{
    return device->simulated->address;
}

int libusb_get_port_numbers(libusb_device *device, uint8_t *ports, int capacity)
{
    const auto &path = device->simulated->ports;
    if (int(path.size()) > capacity)
        return LIBUSB_ERROR_OVERFLOW;
    std::copy(path.begin(), path.end(), ports);
    return int(path.size());
}

int libusb_get_device_descriptor(libusb_device *device, struct libusb_device_descriptor *out)
{
    const std::uint8_t *d = device->simulated->descriptors.device.data();
    out->bLength = d[0];
    out->bDescriptorType = d[1];
    out->bcdUSB = le16(d + 2);
    out->bDeviceClass = d[4];
    out->bDeviceSubClass = d[5];
    out->bDeviceProtocol = d[6];
    out->bMaxPacketSize0 = d[7];
    out->idVendor = le16(d + 8);
    out->idProduct = le16(d + 10);
    out->bcdDevice = le16(d + 12);
    out->iManufacturer = d[14];
    out->iProduct = d[15];
    out->iSerialNumber = d[16];
    out->bNumConfigurations = d[17];
    return LIBUSB_SUCCESS;
}

int libusb_get_config_descriptor(libusb_device *device, uint8_t index,
                                 struct libusb_config_descriptor **config)
{
    if (index != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    const auto &raw = device->simulated->descriptors.configuration;
    auto parsed = std::make_unique<ParsedConfig>();
    splitDescriptors(raw, *parsed);
    linkParsedConfig(raw, *parsed);
    *config = &parsed->config;
    parsedConfigs()[*config] = std::move(parsed);
    return LIBUSB_SUCCESS;
}

int libusb_get_active_config_descriptor(libusb_device *device,
                                        struct libusb_config_descriptor **config)
{
    return libusb_get_config_descriptor(device, 0, config);
}

void libusb_free_config_descriptor(struct libusb_config_descriptor *config)
{
    parsedConfigs().erase(config);
}

int libusb_open(libusb_device *device, libusb_device_handle **handle)
{
    if (!device->simulated->attached)
        return LIBUSB_ERROR_NO_DEVICE;
    if (SimulatedBus::instance().accessDenied)
        return LIBUSB_ERROR_ACCESS;
    *handle = new libusb_device_handle{device};
    return LIBUSB_SUCCESS;
}

void libusb_close(libusb_device_handle *handle)
{
    delete handle;
}

libusb_device *libusb_get_device(libusb_device_handle *handle)
{
    return handle->device;
}

int libusb_set_auto_detach_kernel_driver(libusb_device_handle *, int)
{
    return LIBUSB_SUCCESS;
}

int libusb_claim_interface(libusb_device_handle *handle, int interface)
{
    if (!handle->device->simulated->attached)
        return LIBUSB_ERROR_NO_DEVICE;
    if (interface != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    handle->claimedInterface = interface;
    return LIBUSB_SUCCESS;
}

int libusb_release_interface(libusb_device_handle *handle, int interface)
{
    if (handle->claimedInterface != interface)
        return LIBUSB_ERROR_NOT_FOUND;
    handle->claimedInterface = -1;
    return handle->device->simulated->attached ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_DEVICE;
}

int libusb_set_interface_alt_setting(libusb_device_handle *handle, int interface, int alternate)
{
    const SimulatedDevice &device = *handle->device->simulated;
    if (!device.attached)
        return LIBUSB_ERROR_NO_DEVICE;
    libusb_config_descriptor *config = nullptr;
    libusb_get_config_descriptor(handle->device, 0, &config);
    const bool exists = interface == handle->claimedInterface &&
                        interface < config->bNumInterfaces &&
                        alternate < config->interface[interface].num_altsetting;
    libusb_free_config_descriptor(config);
    if (!exists)
        return LIBUSB_ERROR_NOT_FOUND;
    handle->alternate = alternate;
    return LIBUSB_SUCCESS;
}

// A device that left the bus must be found again; one still attached keeps
// its state, as a bus reset does not restart the bootloader's DFU state.
int libusb_reset_device(libusb_device_handle *handle)
{
    return handle->device->simulated->attached ? LIBUSB_SUCCESS : LIBUSB_ERROR_NOT_FOUND;
}

int libusb_control_transfer(libusb_device_handle *handle, uint8_t requestType, uint8_t request,
                            uint16_t value, uint16_t index, unsigned char *data, uint16_t length,
                            unsigned int)
{
    return SimulatedBus::instance().controlTransfer(*handle, requestType, request, value, index,
                                                    data, length);
}

int libusb_get_string_descriptor_ascii(libusb_device_handle *handle, uint8_t index,
                                       unsigned char *data, int length)
{
    if (index == 0 || length <= 0)
        return LIBUSB_ERROR_INVALID_PARAM;
    unsigned char languages[4];
    const int got = standardIn(handle, fakeusb::kStringDescriptorType, 0, 0, languages, 4);
    if (got < 4)
        return got < 0 ? got : LIBUSB_ERROR_IO;
    unsigned char text[255];
    const int size = standardIn(handle, fakeusb::kStringDescriptorType, index, le16(languages + 2),
                                text, sizeof text);
    if (size < 2)
        return size < 0 ? size : LIBUSB_ERROR_IO;
    int out = 0;
    for (int at = 2; at + 1 < size && out < length - 1; at += 2)
        data[out++] = text[at + 1] == 0 && text[at] < 0x80 ? text[at] : '?';
    data[out] = 0;
    return out;
}

} // extern "C"
