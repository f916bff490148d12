// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_control.h"

#include "chart/live_plot.h"
#include "livelog/live_log.h"
#include "outcome/outcome_texts.h"
#include "recording/stream_recording.h"
#include "ui_mainwindow.h"

#include <QThread>

namespace connection {

LinkControl::LinkControl(Ui_MainWindow &ui, IMUserial::IMUSerial &device,
                         IMUserial::DATARATE &dataRate, QTimer &blinkTimer,
                         live::DisplayTicks ticks, Parts parts, prompts::Prompter prompter,
                         QObject *parent)
    : QObject(parent), ui_(ui), device_(device), dataRate_(dataRate), blinkTimer_(blinkTimer),
      ticks_(ticks), parts_(parts), prompter_(std::move(prompter)), reconnector_([this] {
          device_.initPort(0);
          return device_.isDeivceOpen();
      })
{
    connect(&reconnector_, &Reconnector::found, this, &LinkControl::linkRegained);
    connect(&reconnector_, &Reconnector::gaveUp, this, [this] {
        linkWanted_ = false;
        prompter_.log("imu Reconnect Fail");
    });
}

void LinkControl::choose(bool connect)
{
    // The operator's choice ends any search for a module that went away; a
    // look under way is waited for, so that the port it may have opened is
    // the one used here.
    reconnector_.stopAndWait();
    linkWanted_ = false;
    if (connect) {
        device_.initPort(0);
        if (device_.isDeivceOpen()) {
            prompter_.log("imu Connect SUCCESS");
            linkOpened();
        } else {
            prompter_.log("imu Connect Fail");
            ui_.pushButtonSerialConnect->setChecked(false);
        }
    } else {
        device_.stopRecv();
        QThread::msleep(100);
        device_.closePort(0);
        prompter_.log("imu DisConnect");
        linkClosed();
    }
}

void LinkControl::stopSearch()
{
    reconnector_.stopAndWait();
}

// What an open link shows and runs: read-outs, reception at the chosen rate,
// the chosen curves and the blinking indicator.
void LinkControl::linkOpened()
{
    linkWanted_ = true;
    ui_.pushButtonSerialConnect->setText("Disconnect");
    ticks_.start(ticks_.readouts);
    device_.startRecv();
    device_.set_data_rate(&dataRate_);
    emit opened();
    blinkTimer_.start();
}

// What a closed link shows; the stream button keeps its state.
void LinkControl::linkClosed()
{
    ticks_.readouts.stop();
    parts_.log.flush(); // lines waiting for a tick that no longer comes
    ui_.pushButtonSerialConnect->setText("Connect");
    if (parts_.plot.isPlotting()) {
        parts_.plot.stop();
        ui_.pushButtonStartPlot->setChecked(false);
    }
    blinkTimer_.stop();
    setIndicator(false);
}

// The library closed the port under an open link (the module was unplugged or
// reset): show the link as closed and look for the module until it is back.
void LinkControl::linkLost()
{
    runningWhenLost_ = {ui_.pushButtonStartRecv->isChecked(), parts_.plot.isPlotting()};
    device_.stopRecv();
    device_.closePort(0);
    ui_.pushButtonSerialConnect->setChecked(false);
    linkClosed();
    ui_.pushButtonStartRecv->setChecked(false);
    ui_.pushButtonStartRecv->setText("Start Recv");
    reconnector_.start();
}

// The module is back: the link, its rate, the stream and the plot as they were.
void LinkControl::linkRegained()
{
    ui_.pushButtonSerialConnect->setChecked(true);
    prompter_.log("imu Reconnect SUCCESS");
    linkOpened();
    if (runningWhenLost_.streaming)
        parts_.stream.resume();
    if (runningWhenLost_.plotting) {
        ui_.pushButtonStartPlot->setChecked(true);
        parts_.plot.begin();
    }
}

void LinkControl::applyDataRate()
{
    if (device_.isDeivceOpen())
        device_.set_data_rate(&dataRate_);
}

void LinkControl::blink()
{
    setIndicator(!ui_.radioButtonDeviceUpdate->isChecked());
}

// The indicator is an auto-exclusive radio button, which Qt refuses to
// uncheck while it is the checked one; lift that for the moment of the change.
void LinkControl::setIndicator(bool on)
{
    QRadioButton *indicator = ui_.radioButtonDeviceUpdate;
    indicator->setAutoExclusive(false);
    indicator->setChecked(on);
    indicator->setAutoExclusive(true);
}

void LinkControl::reportTransmitError()
{
    ++pendingTransmitErrorBoxes_;
    showTransmitErrorBoxes();
}

// Shows one "Transmit ERROR" box per reported error, each after the previous
// one was closed, even when errors arrive while a box is open.
void LinkControl::showTransmitErrorBoxes()
{
    if (showingTransmitErrorBox_)
        return;
    showingTransmitErrorBox_ = true;
    while (pendingTransmitErrorBoxes_ > 0) {
        --pendingTransmitErrorBoxes_;
        prompter_.error("Error", "Transmit ERROR");
    }
    showingTransmitErrorBox_ = false;
    // An error that left the port open changes nothing.
    if (linkWanted_ && !device_.isDeivceOpen())
        linkLost();
}

} // namespace connection
