// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted stand-in for the device library, linked behind the same header.
// Tests tell it how to answer, read back what was called, and fire the
// library's callbacks from any thread they like.
#pragma once

#include "imuserial.h"

#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace fake {

class Device
{
public:
    static Device &instance();

    // Forgets calls and restores the default answers: the port opens and
    // every command succeeds.
    void reset();

    // --- how the device answers ---
    void setPortOpens(bool opens);
    void setResult(const std::string &operation, bool result);
    void setVersion(std::array<char, IMUserial::VERSION_SIZE> version);
    void setSerialNumber(const std::string &bytes); // up to SN_SIZE bytes, no terminator added
    void setCalibration(const IMUserial::imu_calibration_data &imu1,
                        const IMUserial::imu_calibration_data &imu2,
                        const IMUserial::mag_calibration_data &mag);
    // Makes the read operations leave their buffer untouched, as after a
    // failed exchange.
    void setReadsFail(bool fail);
    // Makes the writes (calibration sets, serial number) answer as told but
    // store nothing, as a module that forgets what it accepted.
    void setWritesIgnored(bool ignored);

    // --- what was called ---
    std::vector<std::string> calls() const;
    bool wasCalled(const std::string &operation) const;
    std::vector<IMUserial::DATARATE> ratesSent() const;
    std::string serialNumberWritten() const;
    std::vector<IMUserial::imu_calibration_data> imuSetsWritten() const;
    std::vector<IMUserial::mag_calibration_data> magSetsWritten() const;
    bool isOpen() const;
    bool isReceiving() const;

    // --- firing callbacks, from the calling thread ---
    // Delivered only while the port is open and reception started, as the
    // library does. Returns whether it was delivered.
    bool emitSample(const IMUserial::sensor_data &sample);
    bool emitCalibrationSample(const IMUserial::sensor_data_calibration &sample);
    void emitTransmitError();
    // The module goes away: the library closes the port and reports one
    // transmit error, as ours does.
    void unplug();

    // --- used by the fake library itself ---
    void attach(IMUserial::IMUSerial *device, IMUserial::SampleCallback callback);
    void detach(IMUserial::IMUSerial *device);
    bool record(const std::string &call, const std::string &operation = {});
    void setOpen(bool open);
    void setReceiving(bool receiving);
    // Drops a stopped device's callbacks only once a running one has returned.
    void stopReceiving();
    bool portOpens() const;
    void readImu(int chip, IMUserial::imu_calibration_data *data);
    void readMag(IMUserial::mag_calibration_data *data);
    void writeImu(int chip, const IMUserial::imu_calibration_data &data);
    void writeMag(const IMUserial::mag_calibration_data &data);
    void rateSent(IMUserial::DATARATE rate);
    void serialNumberSent(const std::string &sn);
    void readVersion(char *version);
    void readSerialNumber(char *sn);

private:
    Device() { reset(); }

    mutable std::recursive_mutex mutex;
    // Held while a callback runs, so stopping reception waits for it.
    std::mutex callbackMutex;
    IMUserial::IMUSerial *device = nullptr;
    IMUserial::SampleCallback sampleCallback = nullptr;
    bool opens = true;
    bool open = false;
    bool receiving = false;
    bool readsFail = false;
    bool writesIgnored = false;
    std::map<std::string, bool> results;
    std::vector<std::string> callLog;
    std::vector<IMUserial::DATARATE> rates;
    std::string snWritten;
    std::array<char, IMUserial::VERSION_SIZE> version{};
    std::string serialNumber;
    IMUserial::imu_calibration_data imu[2]{};
    IMUserial::mag_calibration_data mag{};
    std::vector<IMUserial::imu_calibration_data> imuWritten;
    std::vector<IMUserial::mag_calibration_data> magWritten;
};

} // namespace fake
