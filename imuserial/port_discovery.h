// SPDX-License-Identifier: GPL-3.0-or-later
// Which serial ports may hold a module, in the order initPort() tries them,
// and which unit each one is.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace IMUserial {

// The USB virtual COM port of the module's STM32.
constexpr quint16 MODULE_VENDOR_ID = 0x0483;
constexpr quint16 MODULE_PRODUCT_ID = 0x5740;

struct SerialPortDescription
{
    QString name;
    bool hasUsbIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber; // the USB serial number string; empty when none
};

// A port that may hold a module. `unitId` is the USB serial number of its
// port, derived from the microcontroller's unique ID, which its DFU bootloader
// reports as well; empty when it is not known (a port given by name alone).
struct ModulePort
{
    QString name;
    QString unitId;

    bool operator==(const ModulePort &other) const
    {
        return name == other.name && unitId == other.unitId;
    }
};

// A configured port is the only choice; otherwise the module's USB ports by
// name, then the ports running simulators published, as they come.
QList<ModulePort> orderModulePorts(const QString &configuredPort,
                                   const QList<SerialPortDescription> &ports,
                                   const QList<ModulePort> &simulatorPorts);

// The same from `configuredPort`, the system's serial ports and the
// simulators' rendezvous folder.
QList<ModulePort> findModuleUnits(const QString &configuredPort);

// The names of findModuleUnits() for the port the environment variable
// IMU_SERIAL_PORT names.
QStringList findModulePorts();

// The devices running simulators published, by device path: none also when
// the rendezvous folder fails its checks (then a warning says why).
QList<ModulePort> publishedSimulatorPorts();

} // namespace IMUserial
