// The device library against the simulator, end to end through the
// pseudo-terminal: what each command returns, the streams, and how the
// library behaves when the simulated module goes away.
#include "support/simulator_process.h"

#include <imuserial.h>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace imusim::testing {
namespace {

using namespace std::chrono_literals;

// The library's port thread runs an event loop, which needs an application.
class ApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "imu_sim_library_tests";
        static char *argv[] = {name, nullptr};
        application_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QCoreApplication> application_;
};

const auto *const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// Callbacks are plain function pointers, so what they see goes to globals.
std::atomic<int> samples{0};
std::atomic<int> calibrationSamples{0};
std::atomic<int> transmitErrors{0};
std::atomic<bool> calibrationBiasesDiffer{false};
std::atomic<bool> sampleHasUnitQuaternion{true};

void countSample(IMUserial::sensor_data *data)
{
    const auto &q = data->quat;
    if (std::abs(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z - 1.0f) > 1e-3f)
        sampleHasUnitQuaternion = false;
    ++samples;
}

void countCalibrationSample(IMUserial::sensor_data_calibration *data)
{
    if (std::abs(data->gyr1.y - data->gyr2.y) > 0.2f)
        calibrationBiasesDiffer = true;
    ++calibrationSamples;
}

void countTransmitError()
{
    ++transmitErrors;
}

class LibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        samples = 0;
        calibrationSamples = 0;
        transmitErrors = 0;
        calibrationBiasesDiffer = false;
        sampleHasUnitQuaternion = true;
    }

    // Starts a simulator and opens the library on it through the rendezvous.
    void connect(const std::vector<std::string> &options = {})
    {
        simulator = std::make_unique<SimulatorProcess>(options);
        ASSERT_TRUE(simulator->started());
        ::unsetenv("IMU_SERIAL_PORT");
        ::setenv("IMU_SIM_DIR", simulator->directory().c_str(), 1);
        device = std::make_unique<IMUserial::IMUSerial>(countSample);
        device->calibrationCallback = countCalibrationSample;
        device->transmitErrorCallback = countTransmitError;
        device->initPort(0);
        ASSERT_TRUE(device->isDeivceOpen());
    }

    bool setRate(IMUserial::DATARATE code)
    {
        IMUserial::DATARATE rate = code;
        return device->set_data_rate(&rate);
    }

    // Samples delivered within `window` of streaming at `code`.
    int samplesIn(IMUserial::DATARATE code, std::chrono::milliseconds window)
    {
        EXPECT_TRUE(setRate(code));
        EXPECT_TRUE(device->start_data_ransmission());
        std::this_thread::sleep_for(100ms); // let the stream settle
        const int before = samples;
        std::this_thread::sleep_for(window);
        const int counted = samples - before;
        EXPECT_TRUE(device->stop_data_ransmission());
        return counted;
    }

    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<IMUserial::IMUSerial> device;
};

TEST_F(LibraryTest, IdentityCommandsReturnWhatTheModuleHolds)
{
    connect({"--firmware-version", "1.0.7"});
    char version[4] = {9, 9, 9, 9};
    ASSERT_TRUE(device->getVersion(version));
    EXPECT_EQ(version[0], 1);
    EXPECT_EQ(version[1], 0);
    EXPECT_EQ(version[2], 7);
    EXPECT_EQ(version[3], 9); // exactly three bytes written

    EXPECT_TRUE(device->setSN("ABC123XYZ"));
    char sn[IMUserial::SN_SIZE + 1] = {};
    ASSERT_TRUE(device->getSN(sn));
    EXPECT_STREQ(sn, "ABC123XYZ");
}

TEST_F(LibraryTest, StreamAndCalibrationCommandsReportTheModulesAnswers)
{
    connect({"--fail", "start-gyr-bias"});
    EXPECT_TRUE(setRate(IMUserial::DATARATE_50HZ));
    EXPECT_FALSE(setRate(static_cast<IMUserial::DATARATE>(7)));
    EXPECT_TRUE(device->enterCalibrationMode());
    EXPECT_TRUE(device->exitCalibrationMode());
    EXPECT_FALSE(device->startGyrBiasCalibration()); // answered with a failure
    EXPECT_FALSE(device->stopGyrBiasCalibration());  // none running
    EXPECT_TRUE(device->RecordQuaternionOffset());
    EXPECT_TRUE(device->ResetQuaternionOffset());
    EXPECT_TRUE(device->start_data_ransmission());
    EXPECT_TRUE(device->stop_data_ransmission());
}

TEST_F(LibraryTest, CalibrationSetsAreReadWrittenAndMeasured)
{
    connect({"--still"});
    IMUserial::imu_calibration_data imu{};
    ASSERT_TRUE(device->read_imu2_calibration_data(&imu));
    EXPECT_EQ(imu.gyr_mis[0], 1.0f);
    EXPECT_EQ(imu.acc_mis[4], 1.0f);
    EXPECT_EQ(imu.gyr_bias[1], 0.0f);

    imu.acc_bias[2] = -0.12345f;
    ASSERT_TRUE(device->write_imu1_calibration_data(&imu));
    IMUserial::imu_calibration_data back{};
    ASSERT_TRUE(device->read_imu1_calibration_data(&back));
    EXPECT_EQ(std::memcmp(&back, &imu, sizeof imu), 0);

    IMUserial::mag_calibration_data mag{};
    ASSERT_TRUE(device->read_mag_calibration_data(&mag));
    mag.mag_radii[0] = 47.5f;
    ASSERT_TRUE(device->write_mag_calibration_data(&mag));
    IMUserial::mag_calibration_data magBack{};
    ASSERT_TRUE(device->read_mag_calibration_data(&magBack));
    EXPECT_EQ(magBack.mag_radii[0], 47.5f);

    // A bias calibration stores what the module measured: chip 1 and chip 2
    // differ, each near its true bias (0.35, -0.22, 0.12 and -0.18, 0.41, -0.27).
    ASSERT_TRUE(device->startGyrBiasCalibration());
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(device->stopGyrBiasCalibration());
    IMUserial::imu_calibration_data chip1{}, chip2{};
    ASSERT_TRUE(device->read_imu1_calibration_data(&chip1));
    ASSERT_TRUE(device->read_imu2_calibration_data(&chip2));
    EXPECT_NEAR(chip1.gyr_bias[0], 0.35f, 0.05f);
    EXPECT_NEAR(chip2.gyr_bias[1], 0.41f, 0.05f);
    EXPECT_EQ(chip1.acc_bias[2], -0.12345f); // the rest of the set is kept
}

TEST_F(LibraryTest, SampleRateFollowsTheRateCode)
{
    connect();
    device->startRecv();
    const int fast = samplesIn(IMUserial::DATARATE_200HZ, 2000ms);
    EXPECT_GT(fast, 300); // about 400
    EXPECT_LT(fast, 480);
    EXPECT_TRUE(sampleHasUnitQuaternion);
    const int slow = samplesIn(IMUserial::DATARATE_10HZ, 2000ms);
    EXPECT_GT(slow, 10); // about 20
    EXPECT_LT(slow, 30);
    EXPECT_LT(samplesIn(IMUserial::DATARATE_1HZ, 2000ms), slow);
    EXPECT_EQ(calibrationSamples, 0);
    EXPECT_EQ(transmitErrors, 0);
}

TEST_F(LibraryTest, CalibrationModeDeliversCalibrationRecordsOnly)
{
    connect();
    device->startRecv();
    ASSERT_TRUE(setRate(IMUserial::DATARATE_100HZ));
    ASSERT_TRUE(device->enterCalibrationMode());
    EXPECT_TRUE(eventually([] { return calibrationSamples > 20; }, 3s));
    ASSERT_TRUE(device->exitCalibrationMode());
    EXPECT_EQ(samples, 0);
    EXPECT_TRUE(calibrationBiasesDiffer);
}

TEST_F(LibraryTest, NoCallbackAfterStopRecvOrClosePort)
{
    connect({"--rate", "1000"});
    device->startRecv();
    ASSERT_TRUE(device->start_data_ransmission());
    ASSERT_TRUE(eventually([] { return samples > 50; }, 3s));
    device->stopRecv();
    const int afterStop = samples;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(samples, afterStop);

    device->startRecv();
    ASSERT_TRUE(eventually([&] { return samples > afterStop + 50; }, 3s));
    device->closePort(0);
    const int afterClose = samples;
    EXPECT_FALSE(device->isDeivceOpen());
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(samples, afterClose);
    EXPECT_EQ(transmitErrors, 0);
}

TEST_F(LibraryTest, KilledSimulatorGivesOneErrorAndAClosedDevice)
{
    connect({"--rate", "500"});
    device->startRecv();
    ASSERT_TRUE(device->start_data_ransmission());
    ASSERT_TRUE(eventually([] { return samples > 20; }, 3s));
    simulator->stop(SIGKILL, 5s);
    EXPECT_TRUE(eventually([&] { return !device->isDeivceOpen(); }, 3s));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(transmitErrors, 1);
    const int afterVanish = samples;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(samples, afterVanish);
}

TEST_F(LibraryTest, DestroyingTheObjectWhileStreamingStopsEverything)
{
    connect({"--rate", "2000"});
    device->startRecv();
    ASSERT_TRUE(device->start_data_ransmission());
    ASSERT_TRUE(eventually([] { return samples > 100; }, 3s));
    device.reset();
    const int afterDestruction = samples;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(samples, afterDestruction);
    EXPECT_EQ(transmitErrors, 0);
}

TEST_F(LibraryTest, JumpToBootloaderClosesTheDeviceUntilItReturns)
{
    connect({"--bootloader-time", "0.5"});
    EXPECT_TRUE(device->JumpDFU());
    EXPECT_TRUE(eventually([&] { return !device->isDeivceOpen(); }, 3s));
    EXPECT_TRUE(eventually([&] { return fileExists(simulator->portFile()); }, 5s));
    device->initPort(0);
    ASSERT_TRUE(device->isDeivceOpen());
    char version[3] = {};
    EXPECT_TRUE(device->getVersion(version));
}

} // namespace
} // namespace imusim::testing
