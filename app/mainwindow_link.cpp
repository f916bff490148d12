// Opening and closing the link to the module, its stream and its rate.
#include "mainwindow.h"

#include "displaymodes.h"
#include "ui_mainwindow.h"

#include <QThread>

void MainWindow::on_pushButtonSerialConnect_clicked(bool checked)
{
    if (busy)
        return;
    busy = true;
    if (checked) {
        imuSerial->initPort(0);
        if (imuSerial->isDeivceOpen()) {
            emit writeLog("imu Connect SUCCESS");
            ui->pushButtonSerialConnect->setText("Disconnect");
            angleTimer.start(16);
            imuSerial->startRecv();
            imuSerial->set_data_rate(&dataRate);
            on_comboBoxShowType_currentIndexChanged(ui->comboBoxShowType->currentIndex());
            linkBlinkTimer.start();
        } else {
            emit writeLog("imu Connect Fail");
            ui->pushButtonSerialConnect->setChecked(false);
        }
    } else {
        imuSerial->stopRecv();
        QThread::msleep(100);
        imuSerial->closePort(0);
        emit writeLog("imu DisConnect");
        angleTimer.stop();
        ui->pushButtonSerialConnect->setText("Connect");
        if (plotting) {
            stopPlotting();
            ui->pushButtonStartPlot->setChecked(false);
        }
        linkBlinkTimer.stop();
        setLinkIndicator(false);
    }
    busy = false;
}

void MainWindow::on_pushButtonStartRecv_clicked(bool checked)
{
    if (!deviceOpen(closedport::logged))
        return;
    // A refused command leaves the button showing the stream as it is.
    if (checked) {
        if (sendAndLog([&] { return imuSerial->start_data_ransmission(); },
                       {"Start Receive", "Start Receive FAIL"}))
            ui->pushButtonStartRecv->setText("Stop Recv");
        else
            ui->pushButtonStartRecv->setChecked(false);
    } else {
        if (sendAndLog([&] { return imuSerial->stop_data_ransmission(); },
                       {"Stop Receive", "Stop Receive FAIL"}))
            ui->pushButtonStartRecv->setText("Start Recv");
        else
            ui->pushButtonStartRecv->setChecked(true);
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
    emit pthis->writeLog("Transmite ERROR");
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
}
