// A fitted calibration put into the sets the module stores and written: what
// the fit did not determine keeps its stored value (a chip's gyroscope part,
// the other chip, the magnetometer), and every set is read back.
#pragma once

#include "calibration/accelerometer_fit.h"
#include "calibration/calibration_sets.h"
#include "calibration/magnetometer_fit.h"

namespace calibration {

IMUserial::mag_calibration_data withFit(IMUserial::mag_calibration_data stored,
                                        const MagnetometerFit &fit);
// The accelerometer part replaced, the gyroscope part kept.
IMUserial::imu_calibration_data withFit(IMUserial::imu_calibration_data stored,
                                        const AccelerometerFit &fit);

enum class FittedWrite
{
    Verified,     // written and read back equal
    NotReadFirst, // the stored sets could not be read: nothing was written
    NotTaken,     // refused by the module, or read back different
};

// Writes `changed` (the sets present in it) over the module's stored sets.
template <class Device> FittedWrite writeFitted(Device &device, const StoredSets &changed)
{
    const StoredSets stored = readStoredSets(device);
    if (!stored.complete())
        return FittedWrite::NotReadFirst;
    const Sets sets{changed.imu1.value_or(*stored.imu1), changed.imu2.value_or(*stored.imu2),
                    changed.mag.value_or(*stored.mag)};
    return writeAndVerify(device, sets) ? FittedWrite::Verified : FittedWrite::NotTaken;
}

} // namespace calibration
