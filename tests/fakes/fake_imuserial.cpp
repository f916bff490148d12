// SPDX-License-Identifier: GPL-3.0-or-later
// IMUSerial behind the scripted fake::Device.
#include "fake_device.h"

#include <cstring>

namespace IMUserial {

class IMUSerial::Private
{
};

namespace {

fake::Device &device()
{
    return fake::Device::instance();
}

// Commands need an open port, as with the real library.
bool command(const std::string &name)
{
    const bool result = device().record(name);
    return device().isOpen() && result;
}

} // namespace

IMUSerial::IMUSerial(SampleCallback callback) : sampleCallback(callback), d(new Private)
{
    device().attach(this, callback);
}

IMUSerial::~IMUSerial()
{
    device().detach(this);
}

void IMUSerial::initPort(int port)
{
    device().record("initPort(" + std::to_string(port) + ")", "initPort");
    device().setOpen(device().portOpens());
}

void IMUSerial::closePort(int port)
{
    device().record("closePort(" + std::to_string(port) + ")", "closePort");
    device().stopReceiving();
    device().setOpen(false);
}

bool IMUSerial::isDeivceOpen()
{
    return device().isOpen();
}

void IMUSerial::startRecv()
{
    device().record("startRecv");
    device().setReceiving(true);
}

void IMUSerial::stopRecv()
{
    device().record("stopRecv");
    device().stopReceiving();
}

// The scripted module delivers every sample it is given.
std::uint64_t IMUSerial::missedSamples() const
{
    return 0;
}

bool IMUSerial::start_data_ransmission()
{
    return command("start_data_ransmission");
}
bool IMUSerial::stop_data_ransmission()
{
    return command("stop_data_ransmission");
}

bool IMUSerial::set_data_rate(DATARATE *rate)
{
    device().rateSent(*rate);
    return command("set_data_rate");
}

bool IMUSerial::enterCalibrationMode()
{
    return command("enterCalibrationMode");
}
bool IMUSerial::exitCalibrationMode()
{
    return command("exitCalibrationMode");
}
bool IMUSerial::startGyrBiasCalibration()
{
    return command("startGyrBiasCalibration");
}
bool IMUSerial::stopGyrBiasCalibration()
{
    return command("stopGyrBiasCalibration");
}
bool IMUSerial::RecordQuaternionOffset()
{
    return command("RecordQuaternionOffset");
}
bool IMUSerial::ResetQuaternionOffset()
{
    return command("ResetQuaternionOffset");
}

bool IMUSerial::read_imu1_calibration_data(imu_calibration_data *data)
{
    device().readImu(0, data);
    return command("read_imu1_calibration_data");
}

bool IMUSerial::read_imu2_calibration_data(imu_calibration_data *data)
{
    device().readImu(1, data);
    return command("read_imu2_calibration_data");
}

bool IMUSerial::read_mag_calibration_data(mag_calibration_data *data)
{
    device().readMag(data);
    return command("read_mag_calibration_data");
}

bool IMUSerial::write_imu1_calibration_data(imu_calibration_data *data)
{
    device().writeImu(0, *data);
    return command("write_imu1_calibration_data");
}

bool IMUSerial::write_imu2_calibration_data(imu_calibration_data *data)
{
    device().writeImu(1, *data);
    return command("write_imu2_calibration_data");
}

bool IMUSerial::write_mag_calibration_data(mag_calibration_data *data)
{
    device().writeMag(*data);
    return command("write_mag_calibration_data");
}

bool IMUSerial::getVersion(char *version)
{
    device().readVersion(version);
    return command("getVersion");
}

bool IMUSerial::getSN(char *sn)
{
    device().readSerialNumber(sn);
    return command("getSN");
}

bool IMUSerial::setSN(const char *sn)
{
    device().serialNumberSent(std::string(sn, strnlen(sn, SN_SIZE)));
    return command("setSN");
}

bool IMUSerial::JumpDFU()
{
    return command("JumpDFU");
}

} // namespace IMUserial
