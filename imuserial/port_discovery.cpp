// SPDX-License-Identifier: GPL-3.0-or-later
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
        ports.append({info.portName(), usb, info.vendorIdentifier(), info.productIdentifier(),
                      info.serialNumber()});
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

QList<ModulePort> orderModulePorts(const QString &configuredPort,
                                   const QList<SerialPortDescription> &ports,
                                   const QList<ModulePort> &simulatorPorts)
{
    QList<ModulePort> found;
    for (const SerialPortDescription &port : ports)
        if (isModule(port))
            found.append({port.name, port.serialNumber});
    std::sort(found.begin(), found.end(),
              [](const ModulePort &a, const ModulePort &b) { return a.name < b.name; });
    found.append(simulatorPorts);
    if (configuredPort.isEmpty())
        return found;
    // The configured port alone, still known by its unit ID when it is one of those found.
    const auto named = std::find_if(found.begin(), found.end(), [&](const ModulePort &port) {
        return port.name == configuredPort;
    });
    return {named != found.end() ? *named : ModulePort{configuredPort, {}}};
}

QList<ModulePort> publishedSimulatorPorts()
{
    const imuproto::PortReading reading =
        imuproto::readPublishedPorts(imuproto::simulatorDirectory());
    warnAboutFolder(reading.problem);
    QList<ModulePort> ports;
    for (const imuproto::PublishedPort &port : reading.ports)
        ports.append(
            {QString::fromStdString(port.devicePath), QString::fromStdString(port.unitId)});
    return ports;
}

QList<ModulePort> findModuleUnits(const QString &configuredPort)
{
    return orderModulePorts(configuredPort, systemSerialPorts(), publishedSimulatorPorts());
}

QStringList findModulePorts()
{
    const QString configured = qEnvironmentVariable("IMU_SERIAL_PORT");
    if (!configured.isEmpty())
        return {configured};
    QStringList names;
    for (const ModulePort &port : findModuleUnits({}))
        names.append(port.name);
    return names;
}

} // namespace IMUserial
