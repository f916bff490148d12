// SPDX-License-Identifier: GPL-3.0-or-later
#include "live/shown_sample.h"

#include "live/sample_handoff.h"

namespace live {

ShownSample::ShownSample(const SampleHandoff &handoff, QObject *parent)
    : QObject(parent), handoff_(handoff)
{
}

std::optional<IMUserial::sensor_data> ShownSample::sample() const
{
    return replayed_ ? replayed_ : handoff_.latestSample();
}

void ShownSample::replay(const IMUserial::sensor_data &sample)
{
    replayed_ = sample;
    emit changed();
}

void ShownSample::live()
{
    if (!replayed_)
        return;
    replayed_.reset();
    emit changed();
}

} // namespace live
