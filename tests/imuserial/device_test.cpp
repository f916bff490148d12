// SPDX-License-Identifier: GPL-3.0-or-later
// IMUSerial against a module scripted by the test over a pseudo-terminal.
#include "imuserial.h"
#include "scripted_module.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

using namespace IMUserial;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The library's port thread runs Qt's event loop, which needs an application.
class CoreApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "imuserial_device_test";
        static char *argv[] = {name, nullptr};
        application_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QCoreApplication> application_;
};

const auto *const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

// What the callbacks saw.
struct CallbackLog
{
    std::atomic<int> samples{0};
    std::atomic<int> calibrationSamples{0};
    std::atomic<int> errors{0};
    std::atomic<bool> inCallback{false};
    std::atomic<float> lastSampleTemp{0};
    std::atomic<float> lastCalibrationMag{0};
    std::function<void()> duringSample;
} calls;

void onSample(sensor_data *data)
{
    calls.inCallback = true;
    calls.lastSampleTemp = data->temp;
    ++calls.samples;
    if (calls.duringSample)
        calls.duringSample();
    calls.inCallback = false;
}

void onCalibrationSample(sensor_data_calibration *data)
{
    calls.lastCalibrationMag = data->mag.z;
    ++calls.calibrationSamples;
}

void onTransmitError()
{
    ++calls.errors;
}

bool eventually(const std::function<bool()> &condition)
{
    for (int i = 0; i < 500 && !condition(); ++i)
        std::this_thread::sleep_for(10ms);
    return condition();
}

Bytes operator+(Bytes left, const Bytes &right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// Hooks are read on the port thread; they are changed only while reception
// is stopped, and startRecv() publishes them.
void setSampleHook(IMUSerial &device, std::function<void()> hook)
{
    device.stopRecv();
    calls.duringSample = std::move(hook);
    device.startRecv();
}

Bytes floatsOf(std::size_t count, float value)
{
    Bytes bytes(count * sizeof(float));
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(bytes.data() + i * sizeof(float), &value, sizeof(float));
    return bytes;
}

class DeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        calls.samples = calls.calibrationSamples = calls.errors = 0;
        calls.duringSample = nullptr;
        qputenv("IMU_SERIAL_PORT", QByteArray::fromStdString(module.portPath()));
        device.calibrationCallback = onCalibrationSample;
        device.transmitErrorCallback = onTransmitError;
        device.initPort(0);
        ASSERT_TRUE(device.isDeivceOpen());
        device.startRecv();
    }
    void TearDown() override { qunsetenv("IMU_SERIAL_PORT"); }

    // Frames are handled in order: once a command is answered, every frame
    // the module sent before the reply has been delivered.
    void drain() { ASSERT_TRUE(device.start_data_ransmission()); }

    void respond(std::uint8_t status, const Bytes &data = {})
    {
        module.setResponder([=](const ReceivedCommand &c) { return replyFrame(c, status, data); });
    }
    ReceivedCommand lastCommand() { return module.commands().back(); }

    ScriptedModule module;
    IMUSerial device{onSample};
};

} // namespace

TEST_F(DeviceTest, OperationsReportWhatTheModuleAnswered)
{
    const std::vector<std::pair<std::function<bool()>, std::uint8_t>> operations{
        {[&] { return device.start_data_ransmission(); }, imuproto::CMD_START_STREAM},
        {[&] { return device.stop_data_ransmission(); }, imuproto::CMD_STOP_STREAM},
        {[&] { return device.enterCalibrationMode(); }, imuproto::CMD_ENTER_CALIBRATION},
        {[&] { return device.exitCalibrationMode(); }, imuproto::CMD_EXIT_CALIBRATION},
        {[&] { return device.startGyrBiasCalibration(); }, imuproto::CMD_START_GYR_BIAS},
        {[&] { return device.stopGyrBiasCalibration(); }, imuproto::CMD_STOP_GYR_BIAS},
        {[&] { return device.RecordQuaternionOffset(); }, imuproto::CMD_RECORD_QUAT_OFFSET},
        {[&] { return device.ResetQuaternionOffset(); }, imuproto::CMD_RESET_QUAT_OFFSET},
    };
    for (const auto &[operation, type] : operations) {
        respond(imuproto::STATUS_OK);
        EXPECT_TRUE(operation()) << int(type);
        EXPECT_EQ(lastCommand().type, type);
        respond(imuproto::STATUS_FAILED);
        EXPECT_FALSE(operation()) << int(type);
    }
    EXPECT_EQ(calls.errors, 0);
}

TEST_F(DeviceTest, CommandsCarryTheCallersDataAndNoMore)
{
    DATARATE rate = DATARATE_50HZ;
    ASSERT_TRUE(device.set_data_rate(&rate));
    EXPECT_EQ(lastCommand().payload, Bytes{3});

    imu_calibration_data imu{};
    imu.acc_mis[8] = 1.5f;
    ASSERT_TRUE(device.write_imu2_calibration_data(&imu));
    Bytes expected(1 + sizeof imu);
    expected[0] = imuproto::SET_IMU2;
    std::memcpy(expected.data() + 1, &imu, sizeof imu);
    EXPECT_EQ(lastCommand().payload, expected);
    mag_calibration_data mag{};
    ASSERT_TRUE(device.write_mag_calibration_data(&mag));
    EXPECT_EQ(lastCommand().payload.size(), 1 + sizeof mag);
    EXPECT_EQ(lastCommand().payload[0], imuproto::SET_MAG);

    ASSERT_TRUE(device.setSN("ABC123XYZ"));
    EXPECT_EQ(lastCommand().payload, Bytes({'A', 'B', 'C', '1', '2', '3', 'X', 'Y', 'Z'}));
    char unterminated[40];
    std::memset(unterminated, '7', sizeof unterminated);
    ASSERT_TRUE(device.setSN(unterminated));
    EXPECT_EQ(lastCommand().payload.size(), SN_SIZE);

    const std::size_t sent = module.commands().size();
    EXPECT_FALSE(device.set_data_rate(nullptr));
    EXPECT_FALSE(device.read_imu1_calibration_data(nullptr));
    EXPECT_FALSE(device.getVersion(nullptr));
    EXPECT_EQ(module.commands().size(), sent);
}

TEST_F(DeviceTest, ReadsFillTheCallersBufferOnlyFromACompleteValidAnswer)
{
    imu_calibration_data imu{};
    respond(imuproto::STATUS_OK, floatsOf(24, 2.5f));
    ASSERT_TRUE(device.read_imu1_calibration_data(&imu));
    EXPECT_EQ(lastCommand().payload, Bytes{imuproto::SET_IMU1});
    EXPECT_EQ(imu.gyr_bias[0], 2.5f);
    EXPECT_EQ(imu.acc_mis[8], 2.5f);

    mag_calibration_data mag{};
    respond(imuproto::STATUS_OK, floatsOf(14, 1.0f)); // one value short
    EXPECT_FALSE(device.read_mag_calibration_data(&mag));
    respond(imuproto::STATUS_FAILED, floatsOf(15, 1.0f));
    EXPECT_FALSE(device.read_mag_calibration_data(&mag));
    EXPECT_EQ(mag.mag_radii[2], 0.0f);
    respond(imuproto::STATUS_OK, floatsOf(15, 1.0f));
    ASSERT_TRUE(device.read_mag_calibration_data(&mag));
    EXPECT_EQ(lastCommand().payload, Bytes{imuproto::SET_MAG});
    EXPECT_EQ(mag.mag_radii[2], 1.0f);

    char version[4] = {0, 0, 0, 'c'};
    respond(imuproto::STATUS_OK, {1, 4, 2});
    ASSERT_TRUE(device.getVersion(version));
    EXPECT_EQ(std::string(version, 4), std::string("\x01\x04\x02"
                                                   "c",
                                                   4));

    char sn[SN_SIZE + 1];
    std::memset(sn, 'c', sizeof sn);
    respond(imuproto::STATUS_OK, Bytes(SN_SIZE, 'S'));
    ASSERT_TRUE(device.getSN(sn));
    EXPECT_EQ(std::string(sn, sizeof sn), std::string(SN_SIZE, 'S') + "c");
    respond(imuproto::STATUS_OK, {'A', 'B'});
    ASSERT_TRUE(device.getSN(sn));
    EXPECT_STREQ(sn, "AB");
    respond(imuproto::STATUS_OK, Bytes(SN_SIZE + 1, 'L'));
    EXPECT_FALSE(device.getSN(sn));
    EXPECT_STREQ(sn, "AB");
}

TEST_F(DeviceTest, MissingReplyTimesOutWithOneTransmitError)
{
    module.setResponder([](const ReceivedCommand &) { return Bytes{}; });
    EXPECT_FALSE(device.start_data_ransmission());
    EXPECT_TRUE(eventually([] { return calls.errors == 1; }));
    respond(imuproto::STATUS_OK);
    EXPECT_TRUE(device.start_data_ransmission());
    // The time-out's error was delivered within microseconds of being posted;
    // 50 ms without another means the answered command reported none.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls.errors, 1);
}

// A late reply to an earlier command, or one with a foreign sequence number,
// must not be taken for the answer to the current command.
TEST_F(DeviceTest, OnlyTheReplyToThisCommandAnswersIt)
{
    module.setResponder([](const ReceivedCommand &) { return Bytes{}; });
    char version[3];
    EXPECT_FALSE(device.getVersion(version));
    const ReceivedCommand timedOut = lastCommand();
    module.setResponder([timedOut](const ReceivedCommand &c) {
        ReceivedCommand foreign = c;
        ++foreign.sequence;
        return replyFrame(timedOut, imuproto::STATUS_OK, {9, 9, 9}) +
               replyFrame(foreign, imuproto::STATUS_OK, {'X', 0}) +
               replyFrame(c, imuproto::STATUS_OK, {'O', 'K', 0});
    });
    char sn[SN_SIZE] = {};
    ASSERT_TRUE(device.getSN(sn));
    EXPECT_STREQ(sn, "OK");
}

TEST_F(DeviceTest, ReplyIsFoundBehindGarbageAndDamagedFrames)
{
    module.setResponder([](const ReceivedCommand &c) {
        Bytes damaged = replyFrame(c, imuproto::STATUS_FAILED);
        damaged[7] ^= 0x01;
        const Bytes garbage{
            0x00, imuproto::START0, 0x13, imuproto::START0, imuproto::START1, 0x80, 0x00, 0xFF,
            0xFF};
        return garbage + damaged + replyFrame(c, imuproto::STATUS_OK);
    });
    EXPECT_TRUE(device.start_data_ransmission());

    // A header whose damaged length claims more bytes than ever come: the
    // reply behind it must still arrive while the link is otherwise quiet.
    module.setResponder([](const ReceivedCommand &c) {
        const Bytes stalled{imuproto::START0, imuproto::START1, imuproto::REPLY, 0, 200, 0};
        return stalled + replyFrame(c, imuproto::STATUS_OK);
    });
    EXPECT_TRUE(device.start_data_ransmission());
    EXPECT_EQ(calls.errors, 0);
}

TEST_F(DeviceTest, RecordsReachTheirCallbacksOnlyWhileReceiving)
{
    module.send(recordFrame(imuproto::DATA_SAMPLE, 0, sizeof(sensor_data), 7.0f));
    module.send(
        recordFrame(imuproto::DATA_CALIBRATION_SAMPLE, 0, sizeof(sensor_data_calibration), 9.0f));
    // Too short to be a record; a longer one keeps its known fields in front.
    module.send(recordFrame(imuproto::DATA_SAMPLE, 1, sizeof(sensor_data) - 4, 1.0f));
    module.send(recordFrame(imuproto::DATA_SAMPLE, 2, sizeof(sensor_data) + 8, 8.0f));
    drain();
    EXPECT_EQ(calls.samples, 2);
    EXPECT_EQ(calls.lastSampleTemp, 8.0f);
    EXPECT_EQ(calls.calibrationSamples, 1);
    EXPECT_EQ(calls.lastCalibrationMag, 9.0f);

    device.stopRecv();
    module.send(recordFrame(imuproto::DATA_SAMPLE, 3, sizeof(sensor_data), 3.0f));
    drain();
    EXPECT_EQ(calls.samples, 2);

    IMUSerial silent(nullptr);
    device.closePort(0);
    silent.initPort(0);
    silent.startRecv();
    module.send(recordFrame(imuproto::DATA_SAMPLE, 4, sizeof(sensor_data), 4.0f));
    module.send(
        recordFrame(imuproto::DATA_CALIBRATION_SAMPLE, 4, sizeof(sensor_data_calibration), 4.0f));
    module.setResponder([](const ReceivedCommand &) { return Bytes{}; });
    EXPECT_FALSE(silent.start_data_ransmission());
}

TEST_F(DeviceTest, NoCallbackRunsOnceStopCloseOrDestructionHasReturned)
{
    // A slow callback, so that stopping often meets one in progress.
    setSampleHook(device, [] { std::this_thread::sleep_for(2ms); });
    module.startStreaming(imuproto::DATA_SAMPLE, sizeof(sensor_data), 200us);
    auto expectSilenceAfter = [](const std::function<void()> &stop) {
        ASSERT_TRUE(eventually([start = calls.samples.load()] { return calls.samples > start; }));
        stop();
        EXPECT_FALSE(calls.inCallback);
        const int seen = calls.samples;
        // A record comes every 200 us and a callback takes 2 ms: 50 ms
        // without one means delivery has ended.
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(calls.samples, seen);
    };
    expectSilenceAfter([&] { device.stopRecv(); });
    device.startRecv();
    expectSilenceAfter([&] { device.closePort(0); });

    auto streaming = std::make_unique<IMUSerial>(onSample);
    streaming->initPort(0);
    streaming->startRecv();
    expectSilenceAfter([&] { streaming.reset(); });
}

TEST_F(DeviceTest, CallbacksMayStopReceptionOrCloseThePortThemselves)
{
    std::atomic<int> commandsAnswered{0};
    setSampleHook(device, [&] {
        commandsAnswered += device.start_data_ransmission();
        device.stopRecv();
    });
    module.startStreaming(imuproto::DATA_SAMPLE, sizeof(sensor_data), 500us);
    // Once the first callback has returned, its command and stop are done.
    ASSERT_TRUE(eventually([] { return calls.samples > 0 && !calls.inCallback; }));
    // A record comes every 500 us: 30 ms without a second callback means
    // reception stopped.
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(calls.samples, 1);
    EXPECT_EQ(commandsAnswered, 0);

    setSampleHook(device, [&] { device.closePort(0); });
    ASSERT_TRUE(eventually([&] { return !device.isDeivceOpen(); }));
    setSampleHook(device, nullptr);

    device.initPort(0);
    EXPECT_TRUE(device.isDeivceOpen());
    module.stopStreaming();
    EXPECT_TRUE(device.start_data_ransmission());
    EXPECT_EQ(calls.errors, 0);
}

TEST_F(DeviceTest, VanishedModuleIsReportedOnceAndCanBeOpenedAgain)
{
    module.unplug();
    // The device shows closed just before the error is reported.
    ASSERT_TRUE(eventually([&] { return !device.isDeivceOpen() && calls.errors > 0; }));
    // A port left open repeats its read error at once: 50 ms without a
    // second report means it was closed after the first.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls.errors, 1);
    EXPECT_FALSE(device.start_data_ransmission());
    EXPECT_EQ(calls.errors, 1);

    ScriptedModule replugged;
    qputenv("IMU_SERIAL_PORT", QByteArray::fromStdString(replugged.portPath()));
    device.initPort(0);
    ASSERT_TRUE(device.isDeivceOpen());
    EXPECT_TRUE(device.start_data_ransmission());
    device.closePort(0);
}

TEST_F(DeviceTest, PortGoneAfterJumpToBootloaderIsNoTransmitError)
{
    respond(imuproto::STATUS_FAILED);
    EXPECT_FALSE(device.JumpDFU());
    respond(imuproto::STATUS_OK);
    EXPECT_TRUE(device.JumpDFU());
    EXPECT_EQ(lastCommand().type, imuproto::CMD_JUMP_DFU);
    module.unplug();
    ASSERT_TRUE(eventually([&] { return !device.isDeivceOpen(); }));
    // A vanish is reported right after the device shows closed, on the same
    // thread: 50 ms without an error means none comes.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls.errors, 0);
}

TEST_F(DeviceTest, CommandsFromManyThreadsEachGetTheirOwnAnswer)
{
    // Every value of set n reads n + 1.
    module.setResponder([](const ReceivedCommand &c) {
        const std::size_t floats = c.payload[0] == imuproto::SET_MAG ? 15 : 24;
        return replyFrame(c, imuproto::STATUS_OK, floatsOf(floats, c.payload[0] + 1.0f));
    });
    module.startStreaming(imuproto::DATA_SAMPLE, sizeof(sensor_data), 1ms);
    // A reply the loaded machine delivers after the library's time-out makes
    // that command fail, which is allowed; an answer given to the wrong
    // command never is.
    std::atomic<int> wrong{0};
    std::atomic<int> answered{0};
    std::vector<std::thread> callers;
    for (int set = 0; set < 3; ++set) {
        callers.emplace_back([&, set] {
            for (int i = 0; i < 20; ++i) {
                imu_calibration_data imu{};
                mag_calibration_data mag{};
                const bool read = set == 0   ? device.read_imu1_calibration_data(&imu)
                                  : set == 1 ? device.read_imu2_calibration_data(&imu)
                                             : device.read_mag_calibration_data(&mag);
                const float last = set == 2 ? mag.mag_radii[2] : imu.acc_mis[8];
                answered += read;
                wrong += (read && last != set + 1.0f) || !device.isDeivceOpen();
            }
        });
    }
    for (auto &caller : callers)
        caller.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(answered, 30) << "most of the 60 commands are answered in time";
    EXPECT_GT(calls.samples, 0);
}

TEST_F(DeviceTest, OpeningAndClosingAreSafeInEveryState)
{
    device.initPort(0); // already open: stays as it is
    EXPECT_TRUE(device.start_data_ransmission());
    device.closePort(0);
    device.closePort(0);
    device.stopRecv();
    EXPECT_FALSE(device.isDeivceOpen());
    EXPECT_FALSE(device.start_data_ransmission());

    device.initPort(1); // there is no second module
    EXPECT_FALSE(device.isDeivceOpen());
    qputenv("IMU_SERIAL_PORT", "/dev/no-such-imu-port");
    device.initPort(0);
    EXPECT_FALSE(device.isDeivceOpen());
    EXPECT_EQ(calls.errors, 0);
}
