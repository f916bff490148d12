// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated module's application: executes the host's commands against its
// state and produces the record it streams at a given moment.
#pragma once

#include "gyro_bias_estimator.h"
#include "module_state.h"
#include "motion_clock.h"
#include "motion_model.h"
#include "sensor_model.h"

#include <frame.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace imusim {

struct ModuleSettings
{
    std::uint32_t seed = 1; // of the sensor noise and the bias walks
    Motion motion = Motion::Sway;
    SensorProfile profile;
    // Samples per second whatever rate code the host sets (imu-sim --rate).
    std::optional<double> fixedRate;
};

struct CommandOutcome
{
    imuproto::Status status = imuproto::STATUS_OK;
    std::vector<std::uint8_t> data;
    bool jumpToBootloader = false;
};

// One streamed record, ready to be framed.
struct Record
{
    std::uint8_t type = imuproto::DATA_SAMPLE;
    std::size_t size = 0;
    std::array<std::uint8_t, sizeof(IMUserial::sensor_data_calibration)> payload{};
};

class Module
{
public:
    Module(const StoredState &stored, const ModuleSettings &settings);

    CommandOutcome execute(std::uint8_t command, const std::uint8_t *payload, std::size_t size,
                           double uptime);

    // Whether the module streams records at all, and at which rate code.
    bool sending() const { return runtime_.streaming || runtime_.calibrationMode; }
    std::uint8_t rateCode() const { return runtime_.rateCode; }
    // Samples per second: the fixed rate if set, else that of the rate code.
    double outputRate() const;
    Record record(double uptime);

    // Back from the bootloader: run-time state starts afresh, flash is kept.
    void restart(double uptime, const std::optional<VersionBytes> &flashedVersion);

    Pose poseAt(double uptime) const;
    const StoredState &stored() const { return stored_; }
    const RuntimeState &runtime() const { return runtime_; }

private:
    CommandOutcome setSerialNumber(const std::uint8_t *payload, std::size_t size);
    CommandOutcome setRate(const std::uint8_t *payload, std::size_t size);
    CommandOutcome startGyroBias(double uptime);
    CommandOutcome stopGyroBias(double uptime);
    CommandOutcome readCalibration(const std::uint8_t *payload, std::size_t size);
    CommandOutcome writeCalibration(const std::uint8_t *payload, std::size_t size);
    CommandOutcome withoutPayload(std::uint8_t command, std::size_t size, double uptime);

    StoredState stored_;
    RuntimeState runtime_;
    ModuleSettings settings_;
    SensorModel sensors_;
    MotionClock motionClock_;
    std::optional<double> gyroBiasStartedAt_;
};

} // namespace imusim
