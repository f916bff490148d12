// Which serial ports may hold a module, in the order initPort() tries them.
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
};

// A configured port is the only choice; otherwise the module's USB ports by
// name, then the port a running simulator published (empty when none).
QStringList orderModulePorts(const QString &configuredPort,
                             const QList<SerialPortDescription> &ports,
                             const QString &simulatorPort);

// The same from the environment variable IMU_SERIAL_PORT, the system's serial
// ports and the simulator's rendezvous file.
QStringList findModulePorts();

// The device a running simulator published, or empty: also when the
// rendezvous folder fails its checks (then a warning says why) or the
// simulator that wrote the file is gone.
QString publishedSimulatorPort();

} // namespace IMUserial
