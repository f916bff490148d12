// SPDX-License-Identifier: GPL-3.0-or-later
// Interface of the IMU module's device library (libimu_serial).
//
// The application uses nothing but this header: any library that provides this
// class with these records can be linked in its place. Records are plain
// little-endian structs of 32-bit floats exchanged by pointer; the caller owns
// them and the library reads or fills them only during the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace IMUserial {

struct vec3
{
    float x;
    float y;
    float z;
};

struct quaternion
{
    float w;
    float x;
    float y;
    float z;
};

// One streamed sample of the fused orientation output.
struct sensor_data
{
    vec3 gyr;
    vec3 acc;
    vec3 mag;
    vec3 free_acc;
    vec3 angle;
    quaternion quat;
    float temp;
};

// Output-rate code handed to set_data_rate().
enum DATARATE : std::uint8_t
{
    DATARATE_1HZ = 0,
    DATARATE_5HZ = 1,
    DATARATE_10HZ = 2,
    DATARATE_50HZ = 3,
    DATARATE_100HZ = 4,
    DATARATE_200HZ = 5,
};

// One sample of calibration mode: both IMU chips and the magnetometer.
struct sensor_data_calibration
{
    vec3 gyr1;
    vec3 acc1;
    vec3 angle1;
    float temp1;
    vec3 gyr2;
    vec3 acc2;
    vec3 angle2;
    float temp2;
    vec3 mag;
};

// Stored calibration set of one IMU chip; matrices are row-major 3x3.
struct imu_calibration_data
{
    float gyr_bias[3];
    float gyr_mis[9];
    float acc_bias[3];
    float acc_mis[9];
};

// Stored calibration set of the magnetometer.
struct mag_calibration_data
{
    float mag_bias[3];
    float mag_mis[9];
    float mag_radii[3];
};

constexpr std::size_t VERSION_SIZE = 3;
constexpr std::size_t SN_SIZE = 32;

static_assert(sizeof(float) == 4, "records carry IEEE-754 single precision");
static_assert(sizeof(sensor_data) == 80, "sensor_data layout");
static_assert(offsetof(sensor_data, acc) == 12 && offsetof(sensor_data, mag) == 24 &&
                  offsetof(sensor_data, free_acc) == 36 && offsetof(sensor_data, angle) == 48 &&
                  offsetof(sensor_data, quat) == 60 && offsetof(sensor_data, temp) == 76,
              "sensor_data field offsets");
static_assert(sizeof(DATARATE) == 1, "DATARATE is one byte");
static_assert(sizeof(sensor_data_calibration) == 92, "sensor_data_calibration layout");
static_assert(offsetof(sensor_data_calibration, temp1) == 36 &&
                  offsetof(sensor_data_calibration, gyr2) == 40 &&
                  offsetof(sensor_data_calibration, temp2) == 76 &&
                  offsetof(sensor_data_calibration, mag) == 80,
              "sensor_data_calibration field offsets");
static_assert(sizeof(imu_calibration_data) == 96 && offsetof(imu_calibration_data, acc_bias) == 48,
              "imu_calibration_data layout");
static_assert(sizeof(mag_calibration_data) == 60 && offsetof(mag_calibration_data, mag_radii) == 48,
              "mag_calibration_data layout");

using SampleCallback = void (*)(sensor_data *data);
using CalibrationCallback = void (*)(sensor_data_calibration *data);
using TransmitErrorCallback = void (*)();

// One connection to one module.
//
// Records are delivered on the library's receive thread while reception is
// started; the transmit-error callback may come on any thread. Once stopRecv(),
// closePort() or the destructor has returned, no callback runs any more.
// Commands are synchronous: they block the caller until the module answered or
// a short time-out passed. Every operation may be called from any thread.
class IMUSerial
{
public:
    explicit IMUSerial(SampleCallback sampleCallback);
    ~IMUSerial();
    IMUSerial(const IMUSerial &) = delete;
    IMUSerial &operator=(const IMUSerial &) = delete;

    // Assigned once after construction, before the port is opened.
    CalibrationCallback calibrationCallback = nullptr;
    TransmitErrorCallback transmitErrorCallback = nullptr;

    // Port 0 is the first module found; see docs/serial-protocol.md.
    void initPort(int port);
    void closePort(int port);
    bool isDeivceOpen();

    void startRecv();
    void stopRecv();

    // Samples the module counted but the host never received, since
    // startRecv(): the gaps in the module's running sample counter in front of
    // each delivered record. Read inside a callback it already includes the
    // gap just before that callback's record. The first record after
    // startRecv(), after the port opens and after a stream is (re)started sets
    // the reference and counts nothing. The counter has 8 bits, so a gap of
    // 256 samples or more is undercounted by a multiple of 256. Any thread.
    std::uint64_t missedSamples() const;

    // The results of the operations below report what the module answered;
    // false also on a time-out or a closed port.
    bool start_data_ransmission();
    bool stop_data_ransmission();
    bool set_data_rate(DATARATE *rate);

    bool enterCalibrationMode();
    bool exitCalibrationMode();
    bool startGyrBiasCalibration();
    bool stopGyrBiasCalibration();
    bool RecordQuaternionOffset();
    bool ResetQuaternionOffset();

    // Reads fill the record only from a complete, valid answer.
    bool read_imu1_calibration_data(imu_calibration_data *data);
    bool read_imu2_calibration_data(imu_calibration_data *data);
    bool read_mag_calibration_data(mag_calibration_data *data);
    bool write_imu1_calibration_data(imu_calibration_data *data);
    bool write_imu2_calibration_data(imu_calibration_data *data);
    bool write_mag_calibration_data(mag_calibration_data *data);

    // getVersion() writes exactly VERSION_SIZE bytes, getSN() at most SN_SIZE;
    // setSN() sends the text up to its terminating zero, at most SN_SIZE bytes.
    bool getVersion(char *version);
    bool getSN(char *sn);
    bool setSN(const char *sn);

    // Restarts the module into its DFU bootloader; the port goes away.
    bool JumpDFU();

    class Private;

private:
    SampleCallback sampleCallback;
    std::unique_ptr<Private> d;
};

} // namespace IMUserial
