// SPDX-License-Identifier: GPL-3.0-or-later
// Where the device library's callbacks deliver the records: to the listener of
// the command that runs, if any. The device must be made with these callbacks.
#pragma once

#include "imuserial.h"

namespace cli {

// Called on the library's receive thread.
class SampleListener
{
public:
    virtual ~SampleListener() = default;
    virtual void sample(const IMUserial::sensor_data &) {}
    virtual void calibrationSample(const IMUserial::sensor_data_calibration &) {}
};

void sampleArrived(IMUserial::sensor_data *sample);
void calibrationSampleArrived(IMUserial::sensor_data_calibration *sample);

// Set before reception starts, cleared once it has stopped (no callback runs
// then any more).
void listen(SampleListener *listener);

} // namespace cli
