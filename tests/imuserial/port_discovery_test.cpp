// SPDX-License-Identifier: GPL-3.0-or-later
#include "imuserial.h"
#include "port_discovery.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

using namespace IMUserial;

TEST(PortDiscovery, ConfiguredPortAloneElseModulesByNameThenSimulatorsEachWithItsUnitId)
{
    const QList<SerialPortDescription> ports{
        {"ttyACM1", true, MODULE_VENDOR_ID, MODULE_PRODUCT_ID, "3A0041"},
        {"ttyUSB0", true, 0x0403, 0x6001, "FT1"},
        {"ttyACM0", true, MODULE_VENDOR_ID, MODULE_PRODUCT_ID, "3A0040"},
        {"ttyACM2", true, MODULE_VENDOR_ID, 0xDF11, "3A0042"}, // a bootloader, not a serial module
        {"ttyS0", false, 0, 0, {}},
    };
    const QList<ModulePort> simulators{{"/dev/pts/3", "5C01"}, {"/dev/pts/4", "5C02"}};
    using Ports = QList<ModulePort>;
    EXPECT_EQ(orderModulePorts("/dev/pts/7", ports, simulators), Ports({{"/dev/pts/7", {}}}));
    EXPECT_EQ(orderModulePorts("/dev/pts/4", ports, simulators), Ports({{"/dev/pts/4", "5C02"}}));
    EXPECT_EQ(orderModulePorts({}, ports, simulators),
              Ports({{"ttyACM0", "3A0040"}, {"ttyACM1", "3A0041"}, simulators[0], simulators[1]}));
    EXPECT_EQ(orderModulePorts({}, {}, {}), Ports());
}

TEST(PortDiscovery, FindsThePortsRunningSimulatorsPublished)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    qputenv("IMU_SIM_DIR", directory.path().toLocal8Bit());
    qunsetenv("IMU_SERIAL_PORT");
    EXPECT_TRUE(publishedSimulatorPorts().isEmpty());

    const QByteArray alive = QByteArray::number(qint64(getpid()));
    QFile second(directory.filePath("port-2"));
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    second.write("/dev/pts/43\n" + alive + "\n5C02\n");
    second.close();
    QFile portFile(directory.filePath("port-1"));
    ASSERT_TRUE(portFile.open(QIODevice::WriteOnly));
    portFile.write("/dev/pts/42\n" + alive + "\n5C01\n");
    portFile.close();
    const QList<ModulePort> both{{"/dev/pts/42", "5C01"}, {"/dev/pts/43", "5C02"}};
    EXPECT_EQ(publishedSimulatorPorts(), both);
    EXPECT_EQ(findModuleUnits({}).mid(findModuleUnits({}).size() - 2), both);
    ASSERT_TRUE(second.remove());

    // A folder others may write into is not believed, whatever it holds.
    ASSERT_TRUE(QFile::setPermissions(directory.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::WriteOther |
                                                            QFile::ExeOther | QFile::ReadOther));
    EXPECT_TRUE(publishedSimulatorPorts().isEmpty());
    ASSERT_TRUE(QFile::setPermissions(directory.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(publishedSimulatorPorts(), QList<ModulePort>({{"/dev/pts/42", "5C01"}}));

    // Nor a file its simulator left behind when it died.
    ASSERT_TRUE(portFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    portFile.write("/dev/pts/42\n999999999\n");
    portFile.close();
    EXPECT_TRUE(publishedSimulatorPorts().isEmpty());

    qputenv("IMU_SERIAL_PORT", "/dev/ttyTEST");
    EXPECT_EQ(findModulePorts(), QStringList{"/dev/ttyTEST"});
    qunsetenv("IMU_SERIAL_PORT");
    qunsetenv("IMU_SIM_DIR");
}

// This test program creates no QCoreApplication: opening must fail rather
// than hang on a port thread whose events are never delivered.
TEST(PortDiscovery, WithoutAnApplicationObjectThePortStaysClosed)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    qputenv("IMU_SERIAL_PORT", name);
    IMUSerial device(nullptr);
    device.initPort(0);
    EXPECT_FALSE(device.isDeivceOpen());
    qunsetenv("IMU_SERIAL_PORT");
    close(slave);
    close(master);
}
