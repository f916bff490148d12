#include "imuserial.h"
#include "port_discovery.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

using namespace IMUserial;

TEST(PortDiscovery, ConfiguredPortAloneElseModulesByNameThenSimulator)
{
    const QList<SerialPortDescription> ports{
        {"ttyACM1", true, MODULE_VENDOR_ID, MODULE_PRODUCT_ID},
        {"ttyUSB0", true, 0x0403, 0x6001},
        {"ttyACM0", true, MODULE_VENDOR_ID, MODULE_PRODUCT_ID},
        {"ttyACM2", true, MODULE_VENDOR_ID, 0xDF11}, // the bootloader, not a serial module
        {"ttyS0", false, 0, 0},
    };
    EXPECT_EQ(orderModulePorts("/dev/pts/7", ports, "/dev/pts/3"), QStringList{"/dev/pts/7"});
    EXPECT_EQ(orderModulePorts({}, ports, "/dev/pts/3"),
              QStringList({"ttyACM0", "ttyACM1", "/dev/pts/3"}));
    EXPECT_EQ(orderModulePorts({}, {}, {}), QStringList());
}

TEST(PortDiscovery, FindsThePortARunningSimulatorPublished)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    qputenv("IMU_SIM_DIR", directory.path().toLocal8Bit());
    qunsetenv("IMU_SERIAL_PORT");
    EXPECT_TRUE(publishedSimulatorPort().isEmpty());

    QFile portFile(directory.filePath("port"));
    ASSERT_TRUE(portFile.open(QIODevice::WriteOnly));
    portFile.write("/dev/pts/42\n" + QByteArray::number(qint64(getpid())) + "\n");
    portFile.close();
    EXPECT_EQ(publishedSimulatorPort(), "/dev/pts/42");
    EXPECT_EQ(findModulePorts().last(), "/dev/pts/42");

    // A folder others may write into is not believed, whatever it holds.
    ASSERT_TRUE(QFile::setPermissions(directory.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::WriteOther |
                                                            QFile::ExeOther | QFile::ReadOther));
    EXPECT_TRUE(publishedSimulatorPort().isEmpty());
    ASSERT_TRUE(QFile::setPermissions(directory.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(publishedSimulatorPort(), "/dev/pts/42");

    // Nor a file its simulator left behind when it died.
    ASSERT_TRUE(portFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    portFile.write("/dev/pts/42\n999999999\n");
    portFile.close();
    EXPECT_TRUE(publishedSimulatorPort().isEmpty());

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
