// SPDX-License-Identifier: GPL-3.0-or-later
#include "module.h"

#include "records.h"

#include <cmath>
#include <cstring>

namespace imusim {

namespace {

using namespace imuproto;

CommandOutcome status(Status code)
{
    return CommandOutcome{code, {}, false};
}

template <class T> std::vector<std::uint8_t> bytesOf(const T &value)
{
    std::vector<std::uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

// A stored set must not poison every later sample with NaN or infinity.
bool allFinite(const std::uint8_t *data, std::size_t size)
{
    for (std::size_t offset = 0; offset + sizeof(float) <= size; offset += sizeof(float)) {
        float value;
        std::memcpy(&value, data + offset, sizeof(float));
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

template <class Set>
CommandOutcome storeSet(Set &target, const std::uint8_t *data, std::size_t size)
{
    if (size != sizeof(Set) || !allFinite(data, size))
        return status(STATUS_BAD_PAYLOAD);
    std::memcpy(&target, data, sizeof(Set));
    return status(STATUS_OK);
}

void storeBias(float (&target)[3], const Vec3 &bias)
{
    target[0] = static_cast<float>(bias.x);
    target[1] = static_cast<float>(bias.y);
    target[2] = static_cast<float>(bias.z);
}

template <class T> Record recordOf(std::uint8_t type, const T &value)
{
    Record record;
    record.type = type;
    record.size = sizeof(T);
    std::memcpy(record.payload.data(), &value, sizeof(T));
    return record;
}

bool takesNoPayload(std::uint8_t command)
{
    switch (command) {
    case CMD_GET_VERSION:
    case CMD_GET_SN:
    case CMD_START_STREAM:
    case CMD_STOP_STREAM:
    case CMD_ENTER_CALIBRATION:
    case CMD_EXIT_CALIBRATION:
    case CMD_START_GYR_BIAS:
    case CMD_STOP_GYR_BIAS:
    case CMD_RECORD_QUAT_OFFSET:
    case CMD_RESET_QUAT_OFFSET:
    case CMD_JUMP_DFU:
        return true;
    default:
        return false;
    }
}

} // namespace

Module::Module(const StoredState &stored, const ModuleSettings &settings)
    : stored_(stored), settings_(settings), sensors_(settings.profile, settings.seed)
{
}

CommandOutcome Module::execute(std::uint8_t command, const std::uint8_t *payload, std::size_t size,
                               double uptime)
{
    switch (command) {
    case CMD_SET_SN:
        return setSerialNumber(payload, size);
    case CMD_SET_RATE:
        return setRate(payload, size);
    case CMD_READ_CALIBRATION:
        return readCalibration(payload, size);
    case CMD_WRITE_CALIBRATION:
        return writeCalibration(payload, size);
    default:
        return withoutPayload(command, size, uptime);
    }
}

CommandOutcome Module::withoutPayload(std::uint8_t command, std::size_t size, double uptime)
{
    if (!takesNoPayload(command))
        return status(STATUS_UNKNOWN_COMMAND);
    if (size != 0)
        return status(STATUS_BAD_PAYLOAD);
    CommandOutcome outcome;
    switch (command) {
    case CMD_GET_VERSION:
        outcome.data.assign(stored_.version.begin(), stored_.version.end());
        break;
    case CMD_GET_SN:
        outcome.data.assign(stored_.serialNumber.begin(), stored_.serialNumber.end());
        break;
    case CMD_START_STREAM:
    case CMD_STOP_STREAM:
        runtime_.streaming = command == CMD_START_STREAM;
        break;
    case CMD_ENTER_CALIBRATION:
    case CMD_EXIT_CALIBRATION:
        runtime_.calibrationMode = command == CMD_ENTER_CALIBRATION;
        break;
    case CMD_START_GYR_BIAS:
        return startGyroBias(uptime);
    case CMD_STOP_GYR_BIAS:
        return stopGyroBias(uptime);
    case CMD_RECORD_QUAT_OFFSET:
        stored_.quaternionOffset = poseAt(uptime).orientation;
        break;
    case CMD_RESET_QUAT_OFFSET:
        stored_.quaternionOffset = Quat{};
        break;
    case CMD_JUMP_DFU:
        outcome.jumpToBootloader = true;
        break;
    }
    return outcome;
}

CommandOutcome Module::setSerialNumber(const std::uint8_t *payload, std::size_t size)
{
    if (size == 0 || size > IMUserial::SN_SIZE)
        return status(STATUS_BAD_PAYLOAD);
    stored_.serialNumber.assign(reinterpret_cast<const char *>(payload), size);
    return status(STATUS_OK);
}

CommandOutcome Module::setRate(const std::uint8_t *payload, std::size_t size)
{
    if (size != 1 || payload[0] >= kRateByCode.size())
        return status(STATUS_BAD_PAYLOAD);
    runtime_.rateCode = payload[0];
    return status(STATUS_OK);
}

// The operator keeps the module at rest while the bias is measured.
CommandOutcome Module::startGyroBias(double uptime)
{
    gyroBiasStartedAt_ = uptime;
    motionClock_.hold(uptime);
    return status(STATUS_OK);
}

CommandOutcome Module::stopGyroBias(double uptime)
{
    if (!gyroBiasStartedAt_)
        return status(STATUS_FAILED);
    const Pose rest = heldStill(poseAt(uptime));
    GyroBiasEstimator estimator;
    const std::size_t samples = biasSampleCount(uptime - *gyroBiasStartedAt_);
    for (std::size_t i = 0; i < samples; ++i)
        estimator.add(sensors_.chip(Chip::First, rest, uptime, kChipInternalRate).gyr,
                      sensors_.chip(Chip::Second, rest, uptime, kChipInternalRate).gyr);
    storeBias(stored_.imu1.gyr_bias, estimator.chip1Bias());
    storeBias(stored_.imu2.gyr_bias, estimator.chip2Bias());
    gyroBiasStartedAt_.reset();
    motionClock_.release(uptime);
    return status(STATUS_OK);
}

CommandOutcome Module::readCalibration(const std::uint8_t *payload, std::size_t size)
{
    if (size != 1)
        return status(STATUS_BAD_PAYLOAD);
    switch (payload[0]) {
    case SET_IMU1:
        return CommandOutcome{STATUS_OK, bytesOf(stored_.imu1), false};
    case SET_IMU2:
        return CommandOutcome{STATUS_OK, bytesOf(stored_.imu2), false};
    case SET_MAG:
        return CommandOutcome{STATUS_OK, bytesOf(stored_.mag), false};
    default:
        return status(STATUS_BAD_PAYLOAD);
    }
}

CommandOutcome Module::writeCalibration(const std::uint8_t *payload, std::size_t size)
{
    if (size < 1)
        return status(STATUS_BAD_PAYLOAD);
    switch (payload[0]) {
    case SET_IMU1:
        return storeSet(stored_.imu1, payload + 1, size - 1);
    case SET_IMU2:
        return storeSet(stored_.imu2, payload + 1, size - 1);
    case SET_MAG:
        return storeSet(stored_.mag, payload + 1, size - 1);
    default:
        return status(STATUS_BAD_PAYLOAD);
    }
}

Record Module::record(double uptime)
{
    const Pose pose = poseAt(uptime);
    const double rate = outputRate();
    const ChipReading chip1 = sensors_.chip(Chip::First, pose, uptime, rate);
    const Vec3 rawMag = sensors_.magnetometer(pose);
    if (runtime_.calibrationMode) {
        const ChipReading chip2 = sensors_.chip(Chip::Second, pose, uptime, rate);
        return recordOf(DATA_CALIBRATION_SAMPLE, makeCalibrationSample(chip1, chip2, rawMag));
    }
    return recordOf(DATA_SAMPLE, makeSample(pose, chip1, rawMag, stored_));
}

void Module::restart(double uptime, const std::optional<VersionBytes> &flashedVersion)
{
    motionClock_.release(uptime);
    if (flashedVersion)
        stored_.version = *flashedVersion;
    runtime_ = RuntimeState{};
    gyroBiasStartedAt_.reset();
}

double Module::outputRate() const
{
    return settings_.fixedRate ? *settings_.fixedRate : kRateByCode[runtime_.rateCode];
}

Pose Module::poseAt(double uptime) const
{
    const Pose pose = poseOf(settings_.motion, motionClock_.motionTime(uptime));
    return motionClock_.holding() ? heldStill(pose) : pose;
}

} // namespace imusim
