// SPDX-License-Identifier: GPL-3.0-or-later
// The Tools menu's noise analysis, of the current recording or of a CSV file
// this tool wrote: each in a window of its own (NoiseWindow), its run owned
// here, so a window can go at once while its run finishes and is dropped.
// GUI thread only.
#pragma once

#include "noise/analysis_run.h"
#include "prompts/prompter.h"

#include <QObject>

class QMainWindow;

namespace recording {
class Recorder;
}

namespace noise {

class NoiseMenu : public QObject
{
    Q_OBJECT

public:
    NoiseMenu(QMainWindow &window, recording::Recorder &recorder, prompts::Prompter prompter);

    void analyseRecording();
    void analyseCsvFile();

private:
    void start(const QString &sourceName, ChannelSource source);

    QMainWindow &window_;
    recording::Recorder &recorder_;
    prompts::Prompter prompter_;
};

} // namespace noise
