// SPDX-License-Identifier: GPL-3.0-or-later
// The samples a replay shows, from a recording read back: a samples table as
// it is; a calibration-mode table as the samples of chip 1, the chip the
// normal stream reports (its angles, rates and accelerations, the
// magnetometer and chip 1's temperature, the attitude from chip 1's angles).
// Free acceleration is not measured in calibration mode and stays NaN.
#pragma once

#include "recording/recorder.h"
#include "recording/recording_file.h"

#include <vector>

namespace replay {

struct ReplayedSamples
{
    std::vector<recording::SampleRecord> samples;
    bool fromCalibrationMode = false;
};

// Samples when the recording has any, else its calibration-mode records.
ReplayedSamples replayedSamples(recording::OpenedRecording &&recording);

} // namespace replay
