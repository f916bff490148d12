// SPDX-License-Identifier: GPL-3.0-or-later
// The sample the views show (the angle read-outs, the parser panel, the 3D
// view): the module's latest from the hand-off, or, while a recording is
// replayed, the recording's at the replay position. The views ask it on the
// display tick as they asked the hand-off, so live and replay share them.
// GUI thread only.
#pragma once

#include "imuserial.h"

#include <QObject>

#include <optional>

namespace live {

class SampleHandoff;

class ShownSample : public QObject
{
    Q_OBJECT

public:
    explicit ShownSample(const SampleHandoff &handoff, QObject *parent = nullptr);

    // Empty while live and nothing has arrived yet.
    std::optional<IMUserial::sensor_data> sample() const;
    bool isReplaying() const { return replayed_.has_value(); }

    // Shows `sample` instead of the module's until live() is called; the
    // module's samples go on arriving in the hand-off meanwhile.
    void replay(const IMUserial::sensor_data &sample);
    void live();

signals:
    // The sample to show changed other than by a tick: draw it now.
    void changed();

private:
    const SampleHandoff &handoff_;
    std::optional<IMUserial::sensor_data> replayed_;
};

} // namespace live
