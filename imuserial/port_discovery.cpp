#include "port_discovery.h"

#include "rendezvous.h"

#include <QSerialPortInfo>
#include <QtDebug>

#include <algorithm>
#include <mutex>

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

// Warns once about each refused rendezvous folder, not on every look for a module.
void warnAboutFolder(const std::string &problem)
{
    static std::mutex mutex;
    static std::string lastWarned;
    std::lock_guard<std::mutex> lock(mutex);
    if (problem.empty() || problem == lastWarned)
        return;
    lastWarned = problem;
    qWarning("IMUserial: simulator not looked for: %s", problem.c_str());
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
    const imuproto::PortReading reading =
        imuproto::readPublishedPort(imuproto::simulatorDirectory());
    warnAboutFolder(reading.problem);
    return reading.port ? QString::fromStdString(reading.port->devicePath) : QString();
}

QStringList findModulePorts()
{
    const QString configured = qEnvironmentVariable("IMU_SERIAL_PORT");
    if (!configured.isEmpty())
        return {configured};
    return orderModulePorts({}, systemSerialPorts(), publishedSimulatorPort());
}

} // namespace IMUserial
