// SPDX-License-Identifier: GPL-3.0-or-later
// The angle read-outs of the form.
#pragma once

class Ui_MainWindow;

namespace live {

// Shows the angles, repainting only the read-outs whose text changed.
void showAngles(Ui_MainWindow &ui, double x, double y, double z);

} // namespace live
