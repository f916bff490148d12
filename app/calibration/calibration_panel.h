// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration tab: calibration mode, the stored calibration sets read and
// cleared, and the calibration commands, each asked for first where it
// changes what the module keeps.
#pragma once

#include "imuserial.h"
#include "prompts/prompter.h"

class Ui_MainWindow;

namespace recording {
class StreamRecording;
}

namespace calibration {

class CalibrationPanel
{
public:
    CalibrationPanel(Ui_MainWindow &ui, IMUserial::IMUSerial &device,
                     recording::StreamRecording &stream, prompts::Prompter prompter);

    void enterMode();
    void exitMode();
    void readStoredSets();
    void clearStoredSets();
    void startGyroBias();
    void stopGyroBias();
    void recordQuaternionOffset();
    void resetQuaternionOffset();

private:
    bool confirmed(const QString &question) const;
    // Sends `operation` to an open module and logs its outcome.
    template <class Operation>
    void sendWhenOpen(Operation &&operation, const outcome::Texts &texts);
    // The same once the operator answered `question` with Yes.
    template <class Operation>
    void confirmAndSend(const QString &question, Operation &&operation,
                        const outcome::Texts &texts);

    Ui_MainWindow &ui_;
    IMUserial::IMUSerial &device_;
    recording::StreamRecording &stream_;
    prompts::Prompter prompter_;
};

} // namespace calibration
