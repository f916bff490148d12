// SPDX-License-Identifier: GPL-3.0-or-later
// A fitted calibration put into the sets the module stores and written: what
// the fits did not determine keeps its stored value (a chip's gyroscope part,
// a set not fitted), and every set is read back.
#pragma once

#include "calibration/accelerometer_fit.h"
#include "calibration/calibration_sets.h"
#include "calibration/magnetometer_fit.h"

#include <optional>

namespace calibration {

struct Fits
{
    std::optional<AccelerometerFit> imu1;
    std::optional<AccelerometerFit> imu2;
    std::optional<MagnetometerFit> mag;
};

// The sets with a fit, each as `stored` holds it (neutral where `stored` has
// no such set) with the fitted values put in; the others absent.
StoredSets fittedSets(const Fits &fits, const StoredSets &stored);

enum class FittedWrite
{
    Verified,     // written and read back equal
    NotReadFirst, // the stored sets could not be read: nothing was written
    NotTaken,     // refused by the module, or read back different
};

// Reads the stored sets, puts the fits in and writes all three.
template <class Device> FittedWrite writeFitted(Device &device, const Fits &fits)
{
    const StoredSets stored = readStoredSets(device);
    if (!stored.complete())
        return FittedWrite::NotReadFirst;
    const StoredSets changed = fittedSets(fits, stored);
    const Sets sets{changed.imu1.value_or(*stored.imu1), changed.imu2.value_or(*stored.imu2),
                    changed.mag.value_or(*stored.mag)};
    return writeAndVerify(device, sets) ? FittedWrite::Verified : FittedWrite::NotTaken;
}

} // namespace calibration
