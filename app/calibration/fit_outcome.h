// SPDX-License-Identifier: GPL-3.0-or-later
// The wizard's fits: what was chosen, the fits run on a snapshot of what was
// collected (on a worker thread: nothing here touches a widget), their texts,
// and the fitted sets written over the module's stored ones.
#pragma once

#include "calibration/accelerometer_fit.h"
#include "calibration/fitted_sets.h"
#include "calibration/magnetometer_fit.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace calibration {

enum class Sensor
{
    Magnetometer,
    Accelerometer,
};

struct Choice
{
    Sensor sensor = Sensor::Magnetometer;
    // The accelerometer chips chosen; the magnetometer ignores them.
    std::array<bool, 2> chips{true, false};
};

struct FitInput
{
    Choice choice;
    std::vector<Eigen::Vector3d> magnetometer;
    std::array<std::vector<StillPose>, 2> poses;
};

struct FitOutcome
{
    Choice choice;
    std::optional<MagnetometerResult> magnetometer;
    std::array<std::optional<AccelerometerResult>, 2> chips;

    // Every chosen fit gave a set.
    bool writable() const;
    // The sets fitted, for writeFitted().
    Fits fits() const;
};

FitOutcome runFits(const FitInput &input);

// Per fit: its quality before and after, why it was refused or what it left
// out, and the fitted numbers.
QString outcomeText(const FitOutcome &outcome);
// One line for the log.
QString outcomeLogLine(const FitOutcome &outcome);

// What the module's calibrated stream showed after the write: `calibrated`
// holds its magnetometer or its (chip 1's) accelerometer readings. The
// stream does not carry chip 2, whose set counts as verified by its
// read-back alone.
QString verdictText(const FitOutcome &outcome, const std::vector<Eigen::Vector3d> &calibrated,
                    double sampleRate);
// Whether the stream is needed at all: not for chip 2 alone.
bool checkedOnStream(const Choice &choice);

} // namespace calibration
