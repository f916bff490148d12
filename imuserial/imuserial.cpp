// SPDX-License-Identifier: GPL-3.0-or-later
// IMUSerial over a serial port: each operation is one command of the protocol
// in docs/serial-protocol.md, answered by the module.
#include "imuserial.h"

#include "device_private.h"

#include <QSysInfo>

#include <algorithm>
#include <array>
#include <cstring>

namespace IMUserial {

static_assert(QSysInfo::ByteOrder == QSysInfo::LittleEndian,
              "records travel in the host's layout, which must be little-endian");

namespace {

template <class Record>
bool readCalibration(IMUSerial::Private &d, imuproto::CalibrationSet set, Record *record)
{
    Reply reply;
    if (!record || !d.command(imuproto::CMD_READ_CALIBRATION, &set, 1, &reply) ||
        reply.size != sizeof(Record))
        return false;
    std::memcpy(record, reply.data.data(), sizeof(Record));
    return true;
}

template <class Record>
bool writeCalibration(IMUSerial::Private &d, imuproto::CalibrationSet set, const Record *record)
{
    if (!record)
        return false;
    std::array<std::uint8_t, 1 + sizeof(Record)> payload{};
    payload[0] = set;
    std::memcpy(payload.data() + 1, record, sizeof(Record));
    return d.command(imuproto::CMD_WRITE_CALIBRATION, payload.data(), payload.size());
}

} // namespace

IMUSerial::IMUSerial(SampleCallback callback) : sampleCallback(callback), d(new Private) {}

IMUSerial::~IMUSerial() = default;

void IMUSerial::initPort(int port)
{
    d->initPort(port);
}

// One object drives one port, whatever number is given.
void IMUSerial::closePort(int)
{
    d->closePort();
}

bool IMUSerial::isDeivceOpen()
{
    return d->isOpen();
}

void IMUSerial::startRecv()
{
    d->startRecv({sampleCallback, calibrationCallback, transmitErrorCallback});
}

void IMUSerial::stopRecv()
{
    d->stopRecv();
}

std::uint64_t IMUSerial::missedSamples() const
{
    return d->missedSamples();
}

bool IMUSerial::start_data_ransmission()
{
    return d->command(imuproto::CMD_START_STREAM);
}

bool IMUSerial::stop_data_ransmission()
{
    return d->command(imuproto::CMD_STOP_STREAM);
}

bool IMUSerial::set_data_rate(DATARATE *rate)
{
    return rate && d->command(imuproto::CMD_SET_RATE, rate, sizeof(DATARATE));
}

bool IMUSerial::enterCalibrationMode()
{
    return d->command(imuproto::CMD_ENTER_CALIBRATION);
}

bool IMUSerial::exitCalibrationMode()
{
    return d->command(imuproto::CMD_EXIT_CALIBRATION);
}

bool IMUSerial::startGyrBiasCalibration()
{
    return d->command(imuproto::CMD_START_GYR_BIAS);
}

bool IMUSerial::stopGyrBiasCalibration()
{
    return d->command(imuproto::CMD_STOP_GYR_BIAS);
}

bool IMUSerial::RecordQuaternionOffset()
{
    return d->command(imuproto::CMD_RECORD_QUAT_OFFSET);
}

bool IMUSerial::ResetQuaternionOffset()
{
    return d->command(imuproto::CMD_RESET_QUAT_OFFSET);
}

bool IMUSerial::read_imu1_calibration_data(imu_calibration_data *data)
{
    return readCalibration(*d, imuproto::SET_IMU1, data);
}

bool IMUSerial::read_imu2_calibration_data(imu_calibration_data *data)
{
    return readCalibration(*d, imuproto::SET_IMU2, data);
}

bool IMUSerial::read_mag_calibration_data(mag_calibration_data *data)
{
    return readCalibration(*d, imuproto::SET_MAG, data);
}

bool IMUSerial::write_imu1_calibration_data(imu_calibration_data *data)
{
    return writeCalibration(*d, imuproto::SET_IMU1, data);
}

bool IMUSerial::write_imu2_calibration_data(imu_calibration_data *data)
{
    return writeCalibration(*d, imuproto::SET_IMU2, data);
}

bool IMUSerial::write_mag_calibration_data(mag_calibration_data *data)
{
    return writeCalibration(*d, imuproto::SET_MAG, data);
}

bool IMUSerial::getVersion(char *version)
{
    Reply reply;
    if (!version || !d->command(imuproto::CMD_GET_VERSION, nullptr, 0, &reply) ||
        reply.size != VERSION_SIZE)
        return false;
    std::memcpy(version, reply.data.data(), VERSION_SIZE);
    return true;
}

// Fewer than SN_SIZE characters are followed by a terminating zero.
bool IMUSerial::getSN(char *sn)
{
    Reply reply;
    if (!sn || !d->command(imuproto::CMD_GET_SN, nullptr, 0, &reply) || reply.size > SN_SIZE)
        return false;
    std::memcpy(sn, reply.data.data(), reply.size);
    if (reply.size < SN_SIZE)
        sn[reply.size] = '\0';
    return true;
}

bool IMUSerial::setSN(const char *sn)
{
    if (!sn)
        return false;
    const std::size_t length = static_cast<std::size_t>(std::find(sn, sn + SN_SIZE, '\0') - sn);
    return d->command(imuproto::CMD_SET_SN, sn, length);
}

bool IMUSerial::JumpDFU()
{
    d->expectDeparture(true);
    const bool jumped = d->command(imuproto::CMD_JUMP_DFU);
    if (!jumped)
        d->expectDeparture(false);
    return jumped;
}

} // namespace IMUserial
