// The module's stream switched on and off by the operator, recorded from its
// start until the module has stopped sending.
#pragma once

#include "imuserial.h"
#include "prompts/prompter.h"
#include "recording/recorder.h"

#include <QObject>

class Ui_MainWindow;

namespace recording {

class StreamRecording
{
public:
    StreamRecording(Ui_MainWindow &ui, IMUserial::IMUSerial &device, prompts::Prompter prompter);

    // The Start Recv button's choice.
    void setStreaming(bool on);
    // After a lost link came back: streaming again, the recording continued.
    void resume();
    // Stops the stream before a calibration exchange with the module.
    void stopForExchange();

    // Written by the receive thread, exported by the File menu.
    Recorder &recorder() { return recorder_; }

private:
    // A spill file that refuses records: a log line each time, and once per
    // recording a box. Called on a writer thread.
    void heard(const SpoolNotice &notice);
    void showRefusal(const SpoolNotice &notice);

    Ui_MainWindow &ui_;
    IMUserial::IMUSerial &device_;
    prompts::Prompter prompter_;
    // Where notices are handed to the GUI thread; outlives the recorder's
    // writer threads.
    QObject guiThread_;
    bool refusalShown_ = false;
    Recorder recorder_;
    bool resuming_ = false;
};

} // namespace recording
