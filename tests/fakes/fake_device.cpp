// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_device.h"

#include <algorithm>
#include <cstring>

namespace fake {

using Lock = std::lock_guard<std::recursive_mutex>;

Device &Device::instance()
{
    static Device device;
    return device;
}

void Device::reset()
{
    Lock lock(mutex);
    opens = true;
    readsFail = false;
    writesIgnored = false;
    results.clear();
    callLog.clear();
    rates.clear();
    snWritten.clear();
    version = {};
    serialNumber.clear();
    std::memset(imu, 0, sizeof imu);
    std::memset(&mag, 0, sizeof mag);
    imuWritten.clear();
    magWritten.clear();
}

void Device::setPortOpens(bool value)
{
    Lock lock(mutex);
    opens = value;
}

void Device::setResult(const std::string &operation, bool result)
{
    Lock lock(mutex);
    results[operation] = result;
}

void Device::setVersion(std::array<char, IMUserial::VERSION_SIZE> value)
{
    Lock lock(mutex);
    version = value;
}

void Device::setSerialNumber(const std::string &bytes)
{
    Lock lock(mutex);
    serialNumber = bytes.substr(0, IMUserial::SN_SIZE);
}

void Device::setCalibration(const IMUserial::imu_calibration_data &imu1,
                            const IMUserial::imu_calibration_data &imu2,
                            const IMUserial::mag_calibration_data &magnetometer)
{
    Lock lock(mutex);
    imu[0] = imu1;
    imu[1] = imu2;
    mag = magnetometer;
}

void Device::setReadsFail(bool fail)
{
    Lock lock(mutex);
    readsFail = fail;
}

void Device::setWritesIgnored(bool ignored)
{
    Lock lock(mutex);
    writesIgnored = ignored;
}

std::vector<std::string> Device::calls() const
{
    Lock lock(mutex);
    return callLog;
}

bool Device::wasCalled(const std::string &operation) const
{
    Lock lock(mutex);
    return std::any_of(callLog.begin(), callLog.end(), [&](const std::string &call) {
        return call.compare(0, operation.size(), operation) == 0;
    });
}

std::vector<IMUserial::DATARATE> Device::ratesSent() const
{
    Lock lock(mutex);
    return rates;
}

std::string Device::serialNumberWritten() const
{
    Lock lock(mutex);
    return snWritten;
}

std::vector<IMUserial::imu_calibration_data> Device::imuSetsWritten() const
{
    Lock lock(mutex);
    return imuWritten;
}

std::vector<IMUserial::mag_calibration_data> Device::magSetsWritten() const
{
    Lock lock(mutex);
    return magWritten;
}

bool Device::isOpen() const
{
    Lock lock(mutex);
    return open;
}

bool Device::isReceiving() const
{
    Lock lock(mutex);
    return receiving;
}

bool Device::emitSample(const IMUserial::sensor_data &sample)
{
    std::lock_guard<std::mutex> callbackLock(callbackMutex);
    IMUserial::SampleCallback callback;
    {
        Lock lock(mutex);
        if (!open || !receiving || !sampleCallback)
            return false;
        callback = sampleCallback;
    }
    IMUserial::sensor_data copy = sample;
    callback(&copy);
    return true;
}

bool Device::emitCalibrationSample(const IMUserial::sensor_data_calibration &sample)
{
    std::lock_guard<std::mutex> callbackLock(callbackMutex);
    IMUserial::CalibrationCallback callback;
    {
        Lock lock(mutex);
        if (!open || !receiving || !device || !device->calibrationCallback)
            return false;
        callback = device->calibrationCallback;
    }
    IMUserial::sensor_data_calibration copy = sample;
    callback(&copy);
    return true;
}

void Device::emitTransmitError()
{
    IMUserial::TransmitErrorCallback callback;
    {
        Lock lock(mutex);
        callback = device ? device->transmitErrorCallback : nullptr;
    }
    if (callback)
        callback();
}

void Device::unplug()
{
    stopReceiving();
    setOpen(false);
    emitTransmitError();
}

void Device::attach(IMUserial::IMUSerial *attached, IMUserial::SampleCallback callback)
{
    Lock lock(mutex);
    device = attached;
    sampleCallback = callback;
    open = false;
    receiving = false;
}

void Device::detach(IMUserial::IMUSerial *detached)
{
    stopReceiving();
    Lock lock(mutex);
    if (device == detached) {
        device = nullptr;
        sampleCallback = nullptr;
        open = false;
    }
}

bool Device::record(const std::string &call, const std::string &operation)
{
    Lock lock(mutex);
    callLog.push_back(call);
    const auto it = results.find(operation.empty() ? call : operation);
    return it == results.end() ? true : it->second;
}

void Device::setOpen(bool value)
{
    Lock lock(mutex);
    open = value;
}

void Device::setReceiving(bool value)
{
    Lock lock(mutex);
    receiving = value;
}

void Device::stopReceiving()
{
    std::lock_guard<std::mutex> callbackLock(callbackMutex);
    setReceiving(false);
}

bool Device::portOpens() const
{
    Lock lock(mutex);
    return opens;
}

void Device::readImu(int chip, IMUserial::imu_calibration_data *data)
{
    Lock lock(mutex);
    if (open && !readsFail)
        *data = imu[chip];
}

void Device::readMag(IMUserial::mag_calibration_data *data)
{
    Lock lock(mutex);
    if (open && !readsFail)
        *data = mag;
}

void Device::writeImu(int chip, const IMUserial::imu_calibration_data &data)
{
    Lock lock(mutex);
    imuWritten.push_back(data);
    if (open && !writesIgnored)
        imu[chip] = data;
}

void Device::writeMag(const IMUserial::mag_calibration_data &data)
{
    Lock lock(mutex);
    magWritten.push_back(data);
    if (open && !writesIgnored)
        mag = data;
}

void Device::rateSent(IMUserial::DATARATE rate)
{
    Lock lock(mutex);
    rates.push_back(rate);
}

void Device::serialNumberSent(const std::string &sn)
{
    Lock lock(mutex);
    snWritten = sn;
    if (open && !writesIgnored)
        serialNumber = sn;
}

void Device::readVersion(char *out)
{
    Lock lock(mutex);
    if (open && !readsFail)
        std::memcpy(out, version.data(), version.size());
}

void Device::readSerialNumber(char *out)
{
    Lock lock(mutex);
    if (open && !readsFail)
        std::memcpy(out, serialNumber.data(), serialNumber.size());
}

} // namespace fake
