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
};

FitOutcome runFits(const FitInput &input);

// Per fit: its quality before and after, why it was refused or what it left
// out, and the fitted numbers.
QString outcomeText(const FitOutcome &outcome);
// One line for the log.
QString outcomeLogLine(const FitOutcome &outcome);

// The chosen fits put into the sets read from the module first.
template <class Device> FittedWrite writeOutcome(Device &device, const FitOutcome &outcome)
{
    const StoredSets stored = readStoredSets(device);
    if (!stored.complete())
        return FittedWrite::NotReadFirst;
    StoredSets changed;
    if (outcome.magnetometer)
        changed.mag = withFit(*stored.mag, *outcome.magnetometer->fit);
    if (outcome.chips[0])
        changed.imu1 = withFit(*stored.imu1, *outcome.chips[0]->fit);
    if (outcome.chips[1])
        changed.imu2 = withFit(*stored.imu2, *outcome.chips[1]->fit);
    return writeFitted(device, changed);
}

QString writeText(FittedWrite result);

// What the module's calibrated stream showed after the write: `calibrated`
// holds its magnetometer or its (chip 1's) accelerometer readings. The
// stream does not carry chip 2, whose set counts as verified by its
// read-back alone.
QString verdictText(const FitOutcome &outcome, const std::vector<Eigen::Vector3d> &calibrated,
                    double sampleRate);
// Whether the stream is needed at all: not for chip 2 alone.
bool checkedOnStream(const Choice &choice);

} // namespace calibration
