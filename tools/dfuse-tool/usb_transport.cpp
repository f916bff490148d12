// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb_transport.h"

#include "dfuse_engine.h"
#include "usb_support.h"

#include <libusb.h>

namespace dfu {

namespace {

constexpr std::uint8_t kDfuClass = 0xFE;
constexpr std::uint8_t kDfuSubclass = 0x01;
constexpr std::uint8_t kDfuModeProtocol = 0x02;
constexpr std::uint8_t kFunctionalDescriptorType = 0x21;
constexpr unsigned kControlTimeoutMs = 5000;
constexpr std::uint8_t kClassInterfaceOut = 0x21;
constexpr std::uint8_t kClassInterfaceIn = 0xA1;
// A device resetting into its application leaves the bus within moments.
constexpr std::chrono::milliseconds kVanishWait{1500};

struct ContextDeleter
{
    void operator()(libusb_context *context) const { libusb_exit(context); }
};
using Context = std::unique_ptr<libusb_context, ContextDeleter>;

struct ConfigDeleter
{
    void operator()(libusb_config_descriptor *config) const
    {
        libusb_free_config_descriptor(config);
    }
};
using Config = std::unique_ptr<libusb_config_descriptor, ConfigDeleter>;

struct HandleDeleter
{
    void operator()(libusb_device_handle *handle) const { libusb_close(handle); }
};
using Handle = std::unique_ptr<libusb_device_handle, HandleDeleter>;

Context openContext()
{
    libusb_context *context = nullptr;
    if (libusb_init(&context) != 0)
        return nullptr;
    return Context(context);
}

// Scans a block of extra descriptor bytes for the DFU functional descriptor.
bool readFunctionalDescriptor(const unsigned char *extra, int length, DeviceDescription &out)
{
    for (int at = 0; at + 2 <= length && extra[at] >= 2; at += extra[at]) {
        const unsigned char *d = extra + at;
        if (d[1] != kFunctionalDescriptorType || d[0] < 7 || at + d[0] > length)
            continue;
        out.attributes = d[2];
        out.detachTimeoutMs = std::uint16_t(d[3] | d[4] << 8);
        out.transferSize = std::uint16_t(d[5] | d[6] << 8);
        out.bcdDfu = d[0] >= 9 ? std::uint16_t(d[7] | d[8] << 8) : 0x0100;
        return true;
    }
    return false;
}

std::string locationOf(libusb_device *device)
{
    std::uint8_t ports[8];
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    std::string location = "usb " + std::to_string(libusb_get_bus_number(device)) + "-";
    for (int i = 0; i < depth; ++i)
        location += (i ? "." : "") + std::to_string(ports[i]);
    return location;
}

struct DfuInterface
{
    std::uint8_t number = 0;
    std::uint8_t nameIndex = 0;
    std::uint8_t serialIndex = 0; // the device's iSerialNumber
    DeviceDescription description;
};

// The functional descriptor follows one of the interface's alternate settings
// (the STM32 bootloader puts it after the last of four), or the configuration.
void readFunctionalDescriptor(const libusb_config_descriptor &config,
                              const libusb_interface &interface, DeviceDescription &out)
{
    for (int a = 0; a < interface.num_altsetting; ++a) {
        const libusb_interface_descriptor &setting = interface.altsetting[a];
        if (readFunctionalDescriptor(setting.extra, setting.extra_length, out))
            return;
    }
    readFunctionalDescriptor(config.extra, config.extra_length, out);
}

// Alternate setting 0 of the first DFU-mode interface of `config`.
bool findDfuInterface(const libusb_config_descriptor &config, DfuInterface &found)
{
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface &interface = config.interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            const libusb_interface_descriptor &setting = interface.altsetting[a];
            if (setting.bInterfaceClass != kDfuClass ||
                setting.bInterfaceSubClass != kDfuSubclass ||
                setting.bInterfaceProtocol != kDfuModeProtocol || setting.bAlternateSetting != 0)
                continue;
            found.number = setting.bInterfaceNumber;
            found.nameIndex = setting.iInterface;
            readFunctionalDescriptor(config, interface, found.description);
            return true;
        }
    }
    return false;
}

std::string stringDescriptor(libusb_device_handle *handle, std::uint8_t index)
{
    unsigned char text[256];
    if (index == 0)
        return {};
    const int length = libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
    return length > 0 ? std::string(reinterpret_cast<char *>(text), std::size_t(length))
                      : std::string();
}

bool describe(libusb_device *device, DfuInterface &found)
{
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(device, &descriptor) != 0)
        return false;
    libusb_config_descriptor *raw = nullptr;
    if (libusb_get_active_config_descriptor(device, &raw) != 0 &&
        libusb_get_config_descriptor(device, 0, &raw) != 0)
        return false;
    const Config config(raw);
    if (!findDfuInterface(*config, found))
        return false;
    found.description.vendorId = descriptor.idVendor;
    found.description.productId = descriptor.idProduct;
    found.description.bcdDevice = descriptor.bcdDevice;
    found.description.location = locationOf(device);
    found.serialIndex = descriptor.iSerialNumber;
    return true;
}

// Whether a device with this bus number and address is in a fresh list; a
// device that resets comes back (if at all) under a new address.
bool onBus(libusb_context *context, std::uint8_t bus, std::uint8_t address)
{
    libusb_device **devices = nullptr;
    const ssize_t count = libusb_get_device_list(context, &devices);
    bool found = false;
    for (ssize_t i = 0; i < count && !found; ++i)
        found = libusb_get_bus_number(devices[i]) == bus &&
                libusb_get_device_address(devices[i]) == address;
    if (count >= 0)
        libusb_free_device_list(devices, 1);
    return found;
}

class UsbTransport : public DfuTransport
{
public:
    UsbTransport(Context context, Handle handle, std::uint8_t interface,
                 DeviceDescription description)
        : context_(std::move(context)), handle_(std::move(handle)), interface_(interface),
          description_(std::move(description))
    {
    }
    ~UsbTransport() override { libusb_release_interface(handle_.get(), interface_); }

    const DeviceDescription &description() const override { return description_; }

    void controlOut(Request request, std::uint16_t value,
                    const std::vector<std::uint8_t> &data) override
    {
        const int result =
            libusb_control_transfer(handle_.get(), kClassInterfaceOut, std::uint8_t(request), value,
                                    interface_, const_cast<unsigned char *>(data.data()),
                                    std::uint16_t(data.size()), kControlTimeoutMs);
        if (result < 0)
            throw errorFor(result);
    }

    std::vector<std::uint8_t> controlIn(Request request, std::uint16_t value,
                                        std::uint16_t length) override
    {
        std::vector<std::uint8_t> data(length);
        const int result =
            libusb_control_transfer(handle_.get(), kClassInterfaceIn, std::uint8_t(request), value,
                                    interface_, data.data(), length, kControlTimeoutMs);
        if (result < 0)
            throw errorFor(result);
        data.resize(std::size_t(result));
        return data;
    }

private:
    // An I/O error is a disconnection only when the device is then gone from
    // the bus; one still attached failed the transfer and must not pass for
    // a device that reset into its application.
    TransportError errorFor(int code) const
    {
        const std::string text = std::string("USB: ") + libusb_error_name(code);
        if (code == LIBUSB_ERROR_PIPE)
            return TransportError(TransportError::Kind::Stalled, text + " (the device stalled)");
        if (code == LIBUSB_ERROR_NO_DEVICE)
            return TransportError(TransportError::Kind::Disconnected, text);
        if (code == LIBUSB_ERROR_IO) {
            libusb_device *device = libusb_get_device(handle_.get());
            const std::uint8_t bus = libusb_get_bus_number(device);
            const std::uint8_t address = libusb_get_device_address(device);
            if (leftTheBusWithin([&] { return onBus(context_.get(), bus, address); }, kVanishWait))
                return TransportError(TransportError::Kind::Disconnected,
                                      text + " (the device left the bus)");
            return TransportError(TransportError::Kind::Failed,
                                  text + " (the device is still attached)");
        }
        return TransportError(TransportError::Kind::Failed, text);
    }

    Context context_;
    Handle handle_;
    std::uint8_t interface_;
    DeviceDescription description_;
};

template <typename Visit> void forEachDfuDevice(libusb_context *context, Visit visit)
{
    libusb_device **devices = nullptr;
    const ssize_t count = libusb_get_device_list(context, &devices);
    for (ssize_t i = 0; i < count; ++i) {
        DfuInterface found;
        if (describe(devices[i], found) && visit(devices[i], found))
            break;
    }
    if (count >= 0)
        libusb_free_device_list(devices, 1);
}

// The strings a listing shows, read from the opened device.
void readNames(libusb_device_handle *handle, DfuInterface &dfu)
{
    dfu.description.alternateName = stringDescriptor(handle, dfu.nameIndex);
    dfu.description.serialNumber = stringDescriptor(handle, dfu.serialIndex);
}

// A device that cannot be opened cannot tell its serial number, so it is
// listed only when any serial number is wanted.
std::vector<DeviceDescription> listUsbDfuDevices(const std::string &serialNumber)
{
    std::vector<DeviceDescription> found;
    const Context context = openContext();
    if (!context)
        return found;
    forEachDfuDevice(context.get(), [&](libusb_device *device, DfuInterface &dfu) {
        libusb_device_handle *raw = nullptr;
        if (libusb_open(device, &raw) == 0) {
            const Handle handle(raw);
            readNames(handle.get(), dfu);
        }
        if (serialNumber.empty() || dfu.description.serialNumber == serialNumber)
            found.push_back(dfu.description);
        return false;
    });
    return found;
}

std::unique_ptr<DfuTransport> openUsbDfuseDevice(const std::string &serialNumber)
{
    Context context = openContext();
    if (!context)
        return nullptr;
    Handle claimed;
    DfuInterface chosen;
    std::string refusedAt; // a DfuSe device the system did not let us open
    forEachDfuDevice(context.get(), [&](libusb_device *device, DfuInterface &dfu) {
        if (dfu.description.bcdDfu != kDfuseVersion)
            return false;
        libusb_device_handle *raw = nullptr;
        const int opened = libusb_open(device, &raw);
        if (opened == LIBUSB_ERROR_ACCESS && refusedAt.empty())
            refusedAt = dfu.description.location;
        if (opened != 0)
            return false;
        Handle handle(raw);
        readNames(handle.get(), dfu);
        if (!serialNumber.empty() && dfu.description.serialNumber != serialNumber)
            return false;
        libusb_set_auto_detach_kernel_driver(handle.get(), 1);
        if (libusb_claim_interface(handle.get(), dfu.number) != 0)
            return false;
        if (libusb_set_interface_alt_setting(handle.get(), dfu.number, 0) != 0) {
            libusb_release_interface(handle.get(), dfu.number);
            return false;
        }
        claimed = std::move(handle);
        chosen = dfu;
        return true;
    });
    if (!claimed && !refusedAt.empty())
        throw DeviceError(missingUdevRuleAdvice(refusedAt));
    if (!claimed)
        return nullptr;
    return std::make_unique<UsbTransport>(std::move(context), std::move(claimed), chosen.number,
                                          chosen.description);
}

class UsbBackend : public DeviceBackend
{
public:
    std::string whereLooked() const override { return "on USB"; }
    std::vector<DeviceDescription> list(const std::string &serialNumber) override
    {
        return listUsbDfuDevices(serialNumber);
    }
    std::unique_ptr<DfuTransport> openDfuse(const std::string &serialNumber) override
    {
        return openUsbDfuseDevice(serialNumber);
    }
};

} // namespace

std::unique_ptr<DeviceBackend> makeUsbBackend()
{
    return std::make_unique<UsbBackend>();
}

} // namespace dfu
