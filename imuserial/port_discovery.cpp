#include "port_discovery.h"

#include "rendezvous.h"

#include <QFile>
#include <QSerialPortInfo>

#include <algorithm>

namespace IMUserial {

namespace {

bool isModule(const SerialPortDescription &port)
{
    return port.hasUsbIds && port.vendorId == MODULE_VENDOR_ID &&
           port.productId == MODULE_PRODUCT_ID;
}

QList<SerialPortDescription> systemSerialPorts()
{
    QList<SerialPortDescription> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const bool usb = info.hasVendorIdentifier() && info.hasProductIdentifier();
        ports.append({info.portName(), usb, info.vendorIdentifier(), info.productIdentifier()});
    }
    return ports;
}

} // namespace

QStringList orderModulePorts(const QString &configuredPort,
                             const QList<SerialPortDescription> &ports,
                             const QString &simulatorPort)
{
    if (!configuredPort.isEmpty())
        return {configuredPort};
    QStringList names;
    for (const SerialPortDescription &port : ports)
        if (isModule(port))
            names.append(port.name);
    std::sort(names.begin(), names.end());
    if (!simulatorPort.isEmpty())
        names.append(simulatorPort);
    return names;
}

QString publishedSimulatorPort()
{
    QFile file(QString::fromStdString(imuproto::simulatorPortFile()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLocal8Bit(file.readLine()).trimmed();
}

QStringList findModulePorts()
{
    const QString configured = qEnvironmentVariable("IMU_SERIAL_PORT");
    if (!configured.isEmpty())
        return {configured};
    return orderModulePorts({}, systemSerialPorts(), publishedSimulatorPort());
}

} // namespace IMUserial
