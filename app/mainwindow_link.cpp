// Opening and closing the link to the module, its stream and its rate.
#include "mainwindow.h"

#include "chart/live_plot.h"
#include "displaymodes.h"
#include "outcometexts.h"
#include "ui_mainwindow.h"

#include <QThread>

void MainWindow::on_pushButtonSerialConnect_clicked(bool checked)
{
    if (busy)
        return;
    busy = true;
    // The operator's choice ends any search for a module that went away; a
    // look under way is waited for, so that the port it may have opened is
    // the one used here.
    reconnector.stopAndWait();
    linkWanted = false;
    if (checked) {
        imuSerial->initPort(0);
        if (imuSerial->isDeivceOpen()) {
            emit writeLog("imu Connect SUCCESS");
            linkOpened();
        } else {
            emit writeLog("imu Connect Fail");
            ui->pushButtonSerialConnect->setChecked(false);
        }
    } else {
        imuSerial->stopRecv();
        QThread::msleep(100);
        imuSerial->closePort(0);
        emit writeLog("imu DisConnect");
        linkClosed();
    }
    busy = false;
}

// What an open link shows and runs: read-outs, reception at the chosen rate,
// the chosen curves and the blinking indicator.
void MainWindow::linkOpened()
{
    linkWanted = true;
    ui->pushButtonSerialConnect->setText("Disconnect");
    displayTicks().start(angleTimer);
    imuSerial->startRecv();
    imuSerial->set_data_rate(&dataRate);
    on_comboBoxShowType_currentIndexChanged(ui->comboBoxShowType->currentIndex());
    linkBlinkTimer.start();
}

// What a closed link shows; the stream button keeps its state.
void MainWindow::linkClosed()
{
    angleTimer.stop();
    flushLog(); // lines waiting for a tick that no longer comes
    ui->pushButtonSerialConnect->setText("Connect");
    if (plotting) {
        livePlot->stop();
        ui->pushButtonStartPlot->setChecked(false);
    }
    linkBlinkTimer.stop();
    setLinkIndicator(false);
}

// The library closed the port under an open link (the module was unplugged or
// reset): show the link as closed and look for the module until it is back.
void MainWindow::linkLost()
{
    runningWhenLost = {ui->pushButtonStartRecv->isChecked(), plotting};
    imuSerial->stopRecv();
    imuSerial->closePort(0);
    ui->pushButtonSerialConnect->setChecked(false);
    linkClosed();
    ui->pushButtonStartRecv->setChecked(false);
    ui->pushButtonStartRecv->setText("Start Recv");
    reconnector.start();
}

// The module is back: the link, its rate, the stream and the plot as they were.
void MainWindow::linkRegained()
{
    ui->pushButtonSerialConnect->setChecked(true);
    emit writeLog("imu Reconnect SUCCESS");
    linkOpened();
    if (runningWhenLost.streaming) {
        ui->pushButtonStartRecv->setChecked(true);
        resumingStream = true;
        on_pushButtonStartRecv_clicked(true);
        resumingStream = false;
    }
    if (runningWhenLost.plotting) {
        ui->pushButtonStartPlot->setChecked(true);
        livePlot->begin();
    }
}

void MainWindow::on_pushButtonStartRecv_clicked(bool checked)
{
    if (!deviceOpen(closedport::logged))
        return;
    // A refused command leaves the button showing the stream as it is. The
    // recording is ready before the first sample can arrive, and ends once
    // the module has stopped sending.
    if (checked) {
        startRecordingUnlessResumed();
        if (sendAndLog([&] { return imuSerial->start_data_ransmission(); },
                       outcometexts::startStream)) {
            ui->pushButtonStartRecv->setText("Stop Recv");
        } else {
            ui->pushButtonStartRecv->setChecked(false);
            recorder.stop();
        }
    } else {
        if (sendAndLog([&] { return imuSerial->stop_data_ransmission(); },
                       outcometexts::stopStream)) {
            ui->pushButtonStartRecv->setText("Start Recv");
            recorder.stop();
        } else {
            ui->pushButtonStartRecv->setChecked(true);
        }
    }
}

void MainWindow::on_comboBoxDataRate_currentTextChanged(const QString &arg1)
{
    dataRate = displaymodes::dataRateFor(arg1);
    if (imuSerial->isDeivceOpen())
        imuSerial->set_data_rate(&dataRate);
}

void MainWindow::radioButtonUpdate()
{
    setLinkIndicator(!ui->radioButtonDeviceUpdate->isChecked());
}

// The indicator is an auto-exclusive radio button, which Qt refuses to
// uncheck while it is the checked one; lift that for the moment of the change.
void MainWindow::setLinkIndicator(bool on)
{
    QRadioButton *indicator = ui->radioButtonDeviceUpdate;
    indicator->setAutoExclusive(false);
    indicator->setChecked(on);
    indicator->setAutoExclusive(true);
}

void MainWindow::transmite_error_callback()
{
    emit pthis->transmiteErrorCallback();
    emit pthis->writeLog(outcometexts::moduleVanished);
}

// Shows one "Transmit ERROR" box per reported error, each after the previous
// one was closed, even when errors arrive while a box is open.
void MainWindow::showTransmitErrorBoxes()
{
    if (showingTransmitErrorBox)
        return;
    showingTransmitErrorBox = true;
    while (pendingTransmitErrorBoxes > 0) {
        --pendingTransmitErrorBoxes;
        QMessageBoxWindow(MsgCritical, "Error", "Transmit ERROR");
    }
    showingTransmitErrorBox = false;
    // An error that left the port open changes nothing.
    if (linkWanted && !imuSerial->isDeivceOpen())
        linkLost();
}
