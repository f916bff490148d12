// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample_listener.h"

#include <atomic>

namespace cli {

namespace {

std::atomic<SampleListener *> activeListener{nullptr};

} // namespace

void sampleArrived(IMUserial::sensor_data *sample)
{
    if (SampleListener *listener = activeListener.load())
        listener->sample(*sample);
}

void calibrationSampleArrived(IMUserial::sensor_data_calibration *sample)
{
    if (SampleListener *listener = activeListener.load())
        listener->calibrationSample(*sample);
}

void listen(SampleListener *listener)
{
    activeListener = listener;
}

} // namespace cli
