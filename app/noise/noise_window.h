// SPDX-License-Identifier: GPL-3.0-or-later
// The noise analysis of one recording, in a window of its own that is not
// modal: while the run goes its progress and Cancel, then one tab per chip and
// sensor with the Allan deviation plot beside the parameter table, and with
// two chips a Compare tab; Spectral density shows each axis's spectrum in
// place of its Allan deviation. Save image… writes the current tab's plot,
// Copy table puts every table on the clipboard. Closing the window (Cancel does)
// cancels the run. A run that fails takes the window with it, unseen when it
// failed at once, and one box tells why. GUI thread only.
#pragma once

#include "noise/analysis_run.h"
#include "prompts/prompter.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

class QCheckBox;
class QCustomPlot;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace noise {

class NoiseWindow : public QDialog
{
    Q_OBJECT

public:
    // `sourceName`: the file's name, or what else was read.
    NoiseWindow(AnalysisRun &run, QString sourceName, prompts::Prompter prompter, QWidget *parent);
    ~NoiseWindow() override;

private:
    QWidget *buildRunRow();
    QWidget *buildButtonRow();
    void showChannelsRead(int channels, double seconds, double rate);
    void showProgress(int percent);
    void showOutcome();
    void fail(const QString &error);
    void addTabs(const Analysis &analysis);
    QCustomPlot *shownPlot() const;
    void enableSaveImage();
    void showSpectra(bool shown);
    void saveImage();
    void copyTables();

    QPointer<AnalysisRun> run_;
    QString sourceName_;
    prompts::Prompter prompter_;
    // A run that fails at once is never seen.
    QTimer showTimer_;
    QLabel *status_;
    QWidget *runRow_; // the progress and Cancel, while the run goes
    QProgressBar *progress_;
    QPushButton *cancel_;
    QTabWidget *tabs_;
    QPushButton *saveImage_;
    QPushButton *copyTables_;
    QCheckBox *spectra_;
};

} // namespace noise
