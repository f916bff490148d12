// SPDX-License-Identifier: GPL-3.0-or-later
// The Tools menu's noise analysis of a still recording: noise::NoiseMenu.
#include "mainwindow.h"

#include "noise/noise_menu.h"
#include "recording/stream_recording.h"

void MainWindow::connectNoise()
{
    new noise::NoiseMenu(*this, stream_->recorder(), prompter());
}
