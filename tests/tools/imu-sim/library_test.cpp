// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <mutex>
#include <thread>
#include <vector>

namespace imusim::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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
std::mutex arrivalsMutex;
std::vector<Clock::time_point> arrivals; // of every sample, in order
std::atomic<int> samples{0};             // counted once its arrival is recorded
std::atomic<int> calibrationSamples{0};
std::atomic<int> transmitErrors{0};
std::atomic<bool> calibrationBiasesDiffer{false};
std::atomic<bool> sampleHasUnitQuaternion{true};

void countSample(IMUserial::sensor_data *data)
{
    const auto &q = data->quat;
    if (std::abs(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z - 1.0f) > 1e-3f)
        sampleHasUnitQuaternion = false;
    std::lock_guard<std::mutex> lock(arrivalsMutex);
    arrivals.push_back(Clock::now());
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
        arrivals.clear();
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

    // Samples a second while streaming at `code`, timed by the arrival of
    // about two seconds' worth at `expectedHertz`: a busy host delays only the
    // two samples that bound the span, never the count between them.
    double measuredRate(IMUserial::DATARATE code, int expectedHertz)
    {
        constexpr auto expectedSpan = 2s;
        const int intervals = expectedHertz * static_cast<int>(expectedSpan.count());
        EXPECT_TRUE(setRate(code));
        const int first = samples; // none arrive once the stream was stopped
        EXPECT_TRUE(device->start_data_ransmission());
        const bool complete =
            eventually([&] { return samples > first + intervals; }, expectedSpan + PATIENCE);
        EXPECT_TRUE(device->stop_data_ransmission());
        if (!complete)
            return 0;
        std::lock_guard<std::mutex> lock(arrivalsMutex);
        const std::chrono::duration<double> span = arrivals[first + intervals] - arrivals[first];
        return intervals / span.count();
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
    // However briefly it is held still, the module averages at least 50 rest
    // samples, so it is stopped at once.
    ASSERT_TRUE(device->startGyrBiasCalibration());
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
    // 30 % off still tells every rate from those of the codes next to it.
    const std::vector<std::pair<IMUserial::DATARATE, int>> hertzByCode{
        {IMUserial::DATARATE_200HZ, 200},
        {IMUserial::DATARATE_10HZ, 10},
        {IMUserial::DATARATE_1HZ, 1}};
    for (const auto &[code, hertz] : hertzByCode)
        EXPECT_NEAR(measuredRate(code, hertz), hertz, 0.3 * hertz) << int(code);
    EXPECT_TRUE(sampleHasUnitQuaternion);
    EXPECT_EQ(calibrationSamples, 0);
    EXPECT_EQ(transmitErrors, 0);
}

TEST_F(LibraryTest, CalibrationModeDeliversCalibrationRecordsOnly)
{
    connect();
    device->startRecv();
    ASSERT_TRUE(setRate(IMUserial::DATARATE_100HZ));
    ASSERT_TRUE(device->enterCalibrationMode());
    EXPECT_TRUE(eventually([] { return calibrationSamples > 20; }));
    ASSERT_TRUE(device->exitCalibrationMode());
    EXPECT_EQ(samples, 0);
    EXPECT_TRUE(calibrationBiasesDiffer);
}

TEST_F(LibraryTest, NoCallbackAfterStopRecvOrClosePort)
{
    connect({"--rate", "1000"});
    device->startRecv();
    ASSERT_TRUE(device->start_data_ransmission());
    ASSERT_TRUE(eventually([] { return samples > 50; }));
    // At 1000 samples a second, 200 ms without one means none is delivered.
    device->stopRecv();
    const int afterStop = samples;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(samples, afterStop);

    device->startRecv();
    ASSERT_TRUE(eventually([&] { return samples > afterStop + 50; }));
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
    ASSERT_TRUE(eventually([] { return samples > 20; }));
    simulator->stop(SIGKILL, PATIENCE);
    // The device shows closed just before the error is reported.
    ASSERT_TRUE(eventually([&] { return !device->isDeivceOpen() && transmitErrors > 0; }));
    const int afterVanish = samples;
    // The stream ran at 500 samples a second and a port left open repeats
    // its error at once: 300 ms of quiet means both have ended.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(transmitErrors, 1);
    EXPECT_EQ(samples, afterVanish);
}

TEST_F(LibraryTest, DestroyingTheObjectWhileStreamingStopsEverything)
{
    connect({"--rate", "2000"});
    device->startRecv();
    ASSERT_TRUE(device->start_data_ransmission());
    ASSERT_TRUE(eventually([] { return samples > 100; }));
    device.reset();
    const int afterDestruction = samples;
    // At 2000 samples a second, 200 ms without one means none is delivered.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(samples, afterDestruction);
    EXPECT_EQ(transmitErrors, 0);
}

TEST_F(LibraryTest, JumpToBootloaderClosesTheDeviceUntilItReturns)
{
    connect({"--bootloader-time", "0.5"});
    EXPECT_TRUE(device->JumpDFU());
    EXPECT_TRUE(eventually([&] { return !device->isDeivceOpen(); }));
    EXPECT_TRUE(eventually([&] { return fileExists(simulator->portFile()); }));
    device->initPort(0);
    ASSERT_TRUE(device->isDeivceOpen());
    char version[3] = {};
    EXPECT_TRUE(device->getVersion(version));
}

} // namespace
} // namespace imusim::testing
