// SPDX-License-Identifier: GPL-3.0-or-later
#include "readouts.h"

#include "live/sample_text.h"
#include "ui_mainwindow.h"

namespace live {

namespace {

// Setting a line edit's text lays it out and repaints it even when the text is
// the same; a module at rest keeps its read-outs for many ticks.
void showIfChanged(QLineEdit &readout, const QString &text)
{
    if (readout.text() != text)
        readout.setText(text);
}

} // namespace

void showAngles(Ui_MainWindow &ui, double x, double y, double z)
{
    showIfChanged(*ui.lineEdit_angle_x, angleText(x));
    showIfChanged(*ui.lineEdit_angle_y, angleText(y));
    showIfChanged(*ui.lineEdit_angle_z, angleText(z));
}

} // namespace live
