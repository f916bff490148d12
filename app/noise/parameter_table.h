// SPDX-License-Identifier: GPL-3.0-or-later
// The noise parameters as tables: for one chip's sensor each axis's N, B with
// the averaging time of its minimum, and K, with their units; for two chips
// their N and K side by side; and a table as tab-separated text. A parameter
// the analysis did not resolve reads "not resolved", its reason the tooltip.
#pragma once

#include "noise/sensor_channels.h"

#include <QString>

#include <vector>

class QTableWidget;

namespace noise {

QTableWidget *parameterTable(const SensorChannels &channels);
// Rows for each sensor and axis both chips have.
QTableWidget *comparisonTable(const std::vector<SensorChannels> &all);

// The headers, then one line per row led by its row's header.
QString tabSeparated(const QTableWidget &table);

} // namespace noise
