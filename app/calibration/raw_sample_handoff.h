// SPDX-License-Identifier: GPL-3.0-or-later
// The crossing between the device library's receive thread and the
// calibration wizard: calibration-mode records while the wizard collects raw
// readings, calibrated samples while it checks the module's own stream.
// Nothing is kept while nobody listens, and the stream then costs one atomic
// read per record, no lock.
#pragma once

#include "imuserial.h"

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace calibration {

class RawSampleHandoff
{
public:
    enum class Listening
    {
        Nothing,
        Raw,
        Calibrated,
    };

    // GUI thread. Changing what is listened to drops what was not taken.
    void listen(Listening what);
    std::vector<IMUserial::sensor_data_calibration> takeRaw();
    std::vector<IMUserial::sensor_data> takeCalibrated();

    // Receive thread.
    void offer(const IMUserial::sensor_data_calibration &record);
    void offer(const IMUserial::sensor_data &sample);

private:
    std::mutex mutex_;
    std::atomic<Listening> listening_{Listening::Nothing}; // written under the mutex
    std::vector<IMUserial::sensor_data_calibration> raw_;
    std::vector<IMUserial::sensor_data> calibrated_;
};

} // namespace calibration
