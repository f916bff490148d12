// SPDX-License-Identifier: GPL-3.0-or-later
// A recording opened from the File menu and replayed through the window's views.
#include "mainwindow.h"

#include "replay/recording_replay.h"

void MainWindow::connectReplay()
{
    new replay::RecordingReplay(*this, *ui, *livePlot_, *shown_, prompter());
}
