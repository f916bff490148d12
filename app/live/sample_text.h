// SPDX-License-Identifier: GPL-3.0-or-later
// Turning module records into the text the window shows and the values it plots.
#pragma once

#include "imuserial.h"
#include "stream/display_modes.h"

#include <QString>

namespace live {

// One log line for a streamed sample in the given message display mode: the
// mode's template with each value in fixed notation (4 decimals for free
// acceleration, else 2), left-aligned in at least 8 characters.
QString sampleLine(stream::DisplayMode messageMode, const IMUserial::sensor_data &sample);

// The x, y, z triple a graph display mode plots; a mode that is no triple
// plots the angles.
IMUserial::vec3 plottedTriple(stream::DisplayMode graphMode, const IMUserial::sensor_data &sample);

// An angle as the read-outs show it: fixed notation with 2 decimals.
QString angleText(double angle);

} // namespace live
