#include "stream_recording.h"

#include "connection/closed_port.h"
#include "outcome/outcome_texts.h"
#include "ui_mainwindow.h"

namespace recording {

StreamRecording::StreamRecording(Ui_MainWindow &ui, IMUserial::IMUSerial &device,
                                 prompts::Prompter prompter)
    : ui_(ui), device_(device), prompter_(std::move(prompter))
{
}

void StreamRecording::setStreaming(bool on)
{
    if (!connection::deviceOpen(device_, connection::kLogged, prompter_))
        return;
    // A refused command leaves the button showing the stream as it is. The
    // recording is ready before the first sample can arrive, and ends once
    // the module has stopped sending.
    if (on) {
        if (!resuming_)
            recorder_.start();
        if (prompter_.sendAndLog([&] { return device_.start_data_ransmission(); },
                                 outcome::kStartStream)) {
            ui_.pushButtonStartRecv->setText("Stop Recv");
        } else {
            ui_.pushButtonStartRecv->setChecked(false);
            recorder_.stop();
        }
    } else {
        if (prompter_.sendAndLog([&] { return device_.stop_data_ransmission(); },
                                 outcome::kStopStream)) {
            ui_.pushButtonStartRecv->setText("Start Recv");
            recorder_.stop();
        } else {
            ui_.pushButtonStartRecv->setChecked(true);
        }
    }
}

void StreamRecording::resume()
{
    ui_.pushButtonStartRecv->setChecked(true);
    resuming_ = true;
    setStreaming(true);
    resuming_ = false;
}

void StreamRecording::stopForExchange()
{
    // Unchecked first, so that a refused stop can show the stream still on.
    ui_.pushButtonStartRecv->setChecked(false);
    setStreaming(false);
}

} // namespace recording
