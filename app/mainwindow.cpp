// SPDX-License-Identifier: GPL-3.0-or-later
// Construction and teardown of the window, the message log, the common message
// box and the update check. The window builds its units and forwards its slots
// to them; each concern's wiring lives in the mainwindow_*.cpp files beside this.
#include "mainwindow.h"

#include "calibration/calibration_panel.h"
#include "calibration/calibration_wizard.h"
#include "chart/live_plot.h"
#include "connection/link_control.h"
#include "firmware/updater.h"
#include "identity/identity_panel.h"
#include "livelog/live_log.h"
#include "recording/stream_recording.h"
#include "stream/display_modes.h"
#include "ui_mainwindow.h"

#include <QMessageBox>
#include <QProgressDialog>

MainWindow *MainWindow::pthis = nullptr;

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui_MainWindow), tracer(nullptr), imuSerial(nullptr),
      plotting(false), rescaleValueAxis(true), showMessages(true), showType(0), busy(false),
      messageFormat(stream::messageFormatFor(stream::DisplayMode::Angle)),
      graphDisplayMode(static_cast<int>(stream::DisplayMode::Angle)),
      messageDisplayMode(static_cast<int>(stream::DisplayMode::Angle)),
      dataRate(IMUserial::DATARATE_100HZ), angleX(0), angleY(0), angleZ(0), progressDialog(nullptr)
{
    ui->setupUi(this);
    pthis = this;
    imuSerial = new IMUserial::IMUSerial(&MainWindow::RecvImuCallback);
    imuSerial->calibrationCallback = &MainWindow::CalibrationRecvCallback;
    progressDialog = new QProgressDialog(this);
    initVariable();
    setupGUI();
    // The window is the timer's context so that a window closed within the
    // first half second is not called back.
    QTimer::singleShot(500, this, [this] { autoUpgrade(false); });
}

MainWindow::~MainWindow()
{
    livePlot_->removeTracer();
    tracer = nullptr;
    // A port search under way uses the device object.
    link_->stopSearch();
    // Leaving the wizard takes the module out of calibration mode, which
    // needs the device object.
    calibrationWizard_.reset();
    // The library's destructor stops reception and closes the port; once it
    // has returned no callback can reach this window any more.
    delete imuSerial;
    imuSerial = nullptr;
    delete progressDialog;
    progressDialog = nullptr;
    delete ui;
    if (pthis == this)
        pthis = nullptr;
}

void MainWindow::initVariable()
{
    connect(ui->actionUpgrade, &QAction::triggered, this, [this] { autoUpgrade(true); });
    imuSerial->transmitErrorCallback = &MainWindow::transmite_error_callback;
    connectLog();
    connectLive();
    connectChart();
    connectLink();
    connectCalibration();
    connectIdentity();
    connectFirmware();
    connectFileMenu();
    connectViews();
    connectNoise();
    connectReplay();

    on_comboBoxMessagesDisplayMode_currentTextChanged(
        ui->comboBoxMessagesDisplayMode->currentText());
    on_comboBoxGraphDisplayMode_currentTextChanged(ui->comboBoxGraphDisplayMode->currentText());
    on_comboBoxDataRate_currentTextChanged(ui->comboBoxDataRate->currentText());
}

void MainWindow::setupGUI()
{
    progressDialog->setCancelButton(nullptr);
    progressDialog->setRange(0, 0);
    progressDialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    progressDialog->setWindowModality(Qt::WindowModal);
    progressDialog->setMinimumDuration(0);
    // A phase's full bar stays until the next phase begins.
    progressDialog->setAutoReset(false);
    progressDialog->setAutoClose(false);
    // Closing also stops the dialog's own timer that would show it by itself.
    progressDialog->close();

    setWindowTitle(windowTitle() + " V" + ORVIK_VERSION);
    ui->tabWidgetControlSection->setCurrentIndex(0);
    liveLog_->setCapacity(ui->spinBoxMaxLines->value());
    ui->splitterGraphTable->setSizes({width(), 0});
    // The log as narrow as a whole line allows; the chart takes the rest.
    ui->splitterReceivedData->setSizes({ui->layoutWidget->minimumWidth(), width()});
    // The log's and the chart's halves paint their own plain background, so a
    // read-out or scroll bar that changes does not repaint the group box's
    // frame behind it 60 times a second.
    ui->layoutWidget->setAutoFillBackground(true);
    ui->verticalLayoutWidget_2->setAutoFillBackground(true);
    ui->textBrowserLogs->setHighlightEnabled(false);
}

int MainWindow::QMessageBoxWindow(QMessageBoxType type, QString WindowMsg, QString showMsg)
{
    QMessageBox box;
    switch (type) {
    case MsgWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgQuestion:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgNoIcon:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgInformation:
    default:
        box.setIcon(QMessageBox::Information);
        break;
    }
    box.setText(showMsg);
    box.setWindowTitle(WindowMsg);
    return box.exec();
}

prompts::Prompter MainWindow::prompter()
{
    const auto boxOf = [this](QMessageBoxType type) {
        return [this, type](const QString &title, const QString &text) {
            QMessageBoxWindow(type, title, text);
        };
    };
    return {[this](const QString &line) { emit writeLog(line); }, boxOf(MsgCritical),
            boxOf(MsgInformation),
            [this](const QString &title, const QString &question) {
                return QMessageBoxWindow(MsgQuestion, title, question) == QMessageBox::Yes;
            }};
}

// Lines are appended later on the GUI thread, in the order they were emitted
// from any thread, in batches.
void MainWindow::connectLog()
{
    liveLog_ = new livelog::LiveLog(*ui->textBrowserLogs, *ui->checkBoxShowTime, angleTimer,
                                    logTime, this);
    connect(
        this, &MainWindow::writeLog, this, [this](const QString &text) { liveLog_->post(text); },
        Qt::DirectConnection);
}

void MainWindow::writeToPlainText(const QString &text)
{
    liveLog_->append({text});
}

void MainWindow::flushLog()
{
    liveLog_->flush();
}

void MainWindow::on_pushButtonClear_clicked()
{
    liveLog_->clear();
}

void MainWindow::on_spinBoxMaxLines_valueChanged(int arg1)
{
    liveLog_->setCapacity(arg1);
}

void MainWindow::on_pushButtonSerialLogScrollown_clicked()
{
    liveLog_->scrollToEnd();
}

void MainWindow::on_checkBox_display_stateChanged(int /*arg1*/)
{
    showMessages = ui->checkBox_display->isChecked();
}

void MainWindow::autoUpgrade(bool displaystartwindow)
{
    firmware::startUpdater(displaystartwindow, prompter());
}
