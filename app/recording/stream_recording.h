// SPDX-License-Identifier: GPL-3.0-or-later
// The module's stream switched on and off by the operator, recorded from its
// start until the module has stopped sending.
#pragma once

#include "imuserial.h"
#include "prompts/prompter.h"
#include "recording/recorder.h"
#include "stream/missed_samples.h"

#include <QObject>

class QLabel;
class QStatusBar;
class Ui_MainWindow;

namespace recording {

class StreamRecording
{
public:
    // The count of missed samples is shown in `statusBar` while recording.
    StreamRecording(Ui_MainWindow &ui, QStatusBar &statusBar, IMUserial::IMUSerial &device,
                    prompts::Prompter prompter);

    // The Start Recv button's choice.
    void setStreaming(bool on);
    // After a lost link came back: streaming again, the recording continued.
    void resume();
    // Stops the stream before a calibration exchange with the module.
    void stopForExchange();

    // Written by the receive thread, exported by the File menu.
    Recorder &recorder() { return recorder_; }
    // Followed by the receive thread at every record, restarted with each
    // recording.
    stream::MissedSampleTally<IMUserial::IMUSerial> &missedSamples() { return missed_; }
    // On the display tick: the samples missed in the running recording.
    void showMissedSamples();

private:
    // A spill file that refuses records: a log line each time, and once per
    // recording a box. Called on a writer thread.
    void heard(const SpoolNotice &notice);
    void showRefusal(const SpoolNotice &notice);

    Ui_MainWindow &ui_;
    QLabel *missedLabel_;
    IMUserial::IMUSerial &device_;
    prompts::Prompter prompter_;
    // Where notices are handed to the GUI thread; outlives the recorder's
    // writer threads.
    QObject guiThread_;
    bool refusalShown_ = false;
    Recorder recorder_;
    stream::MissedSampleTally<IMUserial::IMUSerial> missed_;
    bool resuming_ = false;
};

} // namespace recording
