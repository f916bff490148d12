// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_finder.h"

#include "dfuse_engine.h"

namespace dfu {

namespace {

std::vector<DeviceDescription> listOf(DeviceBackend *backend, const std::string &serialNumber)
{
    return backend ? backend->list(serialNumber) : std::vector<DeviceDescription>();
}

std::optional<DeviceDescription> firstDfuse(const std::vector<DeviceDescription> &devices)
{
    for (const DeviceDescription &device : devices)
        if (device.bcdDfu == kDfuseVersion)
            return device;
    return std::nullopt;
}

} // namespace

DeviceFinder::DeviceFinder(std::unique_ptr<DeviceBackend> usb,
                           std::unique_ptr<DeviceBackend> simulator,
                           std::optional<DeviceKind> requested, std::string serialNumber)
    : usb_(std::move(usb)), simulator_(std::move(simulator)), requested_(requested),
      serialNumber_(std::move(serialNumber))
{
}

DeviceBackend *DeviceFinder::backendFor(DeviceKind kind) const
{
    return kind == DeviceKind::Usb ? usb_.get() : simulator_.get();
}

DeviceKind DeviceFinder::resolve(const std::vector<DeviceDescription> &usbDevices) const
{
    if (requested_)
        return *requested_;
    return usbDevices.empty() && simulator_ ? DeviceKind::Simulator : DeviceKind::Usb;
}

DeviceListing DeviceFinder::list()
{
    DeviceListing listing;
    const auto usbDevices = listOf(usb_.get(), serialNumber_);
    const auto simulated = listOf(simulator_.get(), serialNumber_);
    listing.devices = usbDevices;
    listing.devices.insert(listing.devices.end(), simulated.begin(), simulated.end());
    listing.chosen = firstDfuse(resolve(usbDevices) == DeviceKind::Usb ? usbDevices : simulated);
    return listing;
}

std::unique_ptr<DfuTransport> DeviceFinder::open()
{
    // Without a request the USB bus is asked first, so that a real module
    // is never passed over for a simulator left running.
    const DeviceKind kind = requested_ ? *requested_ : resolve(listOf(usb_.get(), serialNumber_));
    DeviceBackend *backend = backendFor(kind);
    std::string looked;
    if (!requested_ && usb_ && backend != usb_.get())
        looked = usb_->whereLooked() + " and ";
    if (!backend)
        throw DeviceError(std::string("this build of dfuse-tool cannot reach ") +
                          (kind == DeviceKind::Usb ? "USB devices" : "a simulated bootloader"));
    if (auto device = backend->openDfuse(serialNumber_))
        return device;
    const std::string which = serialNumber_.empty() ? "" : " with serial number " + serialNumber_;
    throw DeviceNotFound("no DfuSe device" + which + " found (looked " + looked +
                         backend->whereLooked() + ")");
}

} // namespace dfu
