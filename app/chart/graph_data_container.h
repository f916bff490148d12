// SPDX-License-Identifier: GPL-3.0-or-later
// The chart library's container of a curve's points, declared without the
// library's header.
#pragma once

class QCPGraphData;
template <class DataType> class QCPDataContainer;
using QCPGraphDataContainer = QCPDataContainer<QCPGraphData>;
