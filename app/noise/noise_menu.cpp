// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/noise_menu.h"

#include "noise/noise_window.h"
#include "prompts/file_dialogs.h"
#include "recording/recorder.h"

#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>

namespace noise {

NoiseMenu::NoiseMenu(QMainWindow &window, recording::Recorder &recorder, prompts::Prompter prompter)
    : QObject(&window), window_(window), recorder_(recorder), prompter_(std::move(prompter))
{
    QMenu *tools = window_.menuBar()->addMenu(tr("Tools"));
    tools->setObjectName("menuTools");
    QMenu *noise = tools->addMenu(tr("Noise analysis"));
    noise->setObjectName("menuNoiseAnalysis");
    QAction *recording = noise->addAction(tr("Of the current recording…"));
    recording->setObjectName("actionNoiseOfRecording");
    connect(recording, &QAction::triggered, this, &NoiseMenu::analyseRecording);
    QAction *csv = noise->addAction(tr("Of a CSV file…"));
    csv->setObjectName("actionNoiseOfCsvFile");
    connect(csv, &QAction::triggered, this, &NoiseMenu::analyseCsvFile);
}

void NoiseMenu::analyseRecording()
{
    if (recorder_.isEmpty()) {
        prompter_.inform(tr("Noise analysis"),
                         tr("Nothing has been recorded yet. Start Recv records the stream of a "
                            "still module; an hour gives every noise parameter."));
        return;
    }
    start(tr("the current recording"), recordingSource(recorder_.snapshot()));
}

void NoiseMenu::analyseCsvFile()
{
    const QString path = prompts::openFileName(&window_, tr("Noise Analysis of a Recording"),
                                               tr("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty())
        start(QFileInfo(path).fileName(), csvFileSource(path));
}

void NoiseMenu::start(const QString &sourceName, ChannelSource source)
{
    auto *run = new AnalysisRun(std::move(source), this);
    // Whether or not a window still shows it, its result has been taken or
    // is dropped by then.
    connect(run, &AnalysisRun::finished, run, &QObject::deleteLater);
    new NoiseWindow(*run, sourceName, prompter_, &window_);
    run->start();
}

} // namespace noise
