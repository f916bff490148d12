// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/raw_sample_handoff.h"

namespace calibration {

void RawSampleHandoff::listen(Listening what)
{
    std::lock_guard<std::mutex> lock(mutex_);
    listening_ = what;
    raw_.clear();
    calibrated_.clear();
}

std::vector<IMUserial::sensor_data_calibration> RawSampleHandoff::takeRaw()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(raw_, {});
}

std::vector<IMUserial::sensor_data> RawSampleHandoff::takeCalibrated()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(calibrated_, {});
}

void RawSampleHandoff::offer(const IMUserial::sensor_data_calibration &record)
{
    if (listening_.load(std::memory_order_relaxed) != Listening::Raw)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (listening_ == Listening::Raw)
        raw_.push_back(record);
}

void RawSampleHandoff::offer(const IMUserial::sensor_data &sample)
{
    if (listening_.load(std::memory_order_relaxed) != Listening::Calibrated)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (listening_ == Listening::Calibrated)
        calibrated_.push_back(sample);
}

} // namespace calibration
