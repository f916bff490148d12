#include "device_finder.h"

#ifdef ORVIK_DFU_WITH_SIMULATOR
#include "rendezvous.h"
#include "sim_transport.h"
#endif
#ifdef ORVIK_DFU_WITH_LIBUSB
#include "usb_transport.h"
#endif

namespace dfu {

std::vector<DeviceDescription> listDfuDevices()
{
    std::vector<DeviceDescription> devices;
#ifdef ORVIK_DFU_WITH_SIMULATOR
    if (const auto simulated = SimTransport::connect(imuproto::simulatorBootloaderSocket()))
        devices.push_back(simulated->description());
#endif
#ifdef ORVIK_DFU_WITH_LIBUSB
    for (const DeviceDescription &device : listUsbDfuDevices())
        devices.push_back(device);
#endif
    return devices;
}

std::unique_ptr<DfuTransport> openDfuseDevice()
{
#ifdef ORVIK_DFU_WITH_SIMULATOR
    if (auto simulated = SimTransport::connect(imuproto::simulatorBootloaderSocket()))
        return simulated;
#endif
#ifdef ORVIK_DFU_WITH_LIBUSB
    if (auto usb = openUsbDfuseDevice())
        return usb;
#endif
    return nullptr;
}

} // namespace dfu
