// The crossing between the device library's receive thread and the
// calibration wizard: calibration-mode records while the wizard collects raw
// readings, calibrated samples while it checks the module's own stream.
// Nothing is kept while nobody listens, so the stream costs one check then.
#pragma once

#include "imuserial.h"

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
    Listening listening_ = Listening::Nothing;
    std::vector<IMUserial::sensor_data_calibration> raw_;
    std::vector<IMUserial::sensor_data> calibrated_;
};

} // namespace calibration
