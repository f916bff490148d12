// Construction and teardown of the window, the message log, the common message
// box and the update check. The device, chart, calibration and firmware slots
// live in the mainwindow_*.cpp files beside this one.
#include "mainwindow.h"

#include "chart/live_plot.h"
#include "displaymodes.h"
#include "outcometexts.h"
#include "programs.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QScrollBar>

namespace {

const QString applicationName = QStringLiteral("ORVIK-IMU");
const QString applicationVersion = QStringLiteral(ORVIK_VERSION);

} // namespace

MainWindow *MainWindow::pthis = nullptr;

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui_MainWindow), tracer(nullptr), imuSerial(nullptr),
      plotting(false), rescaleValueAxis(true), showMessages(true), showType(0), busy(false),
      messageFormat(displaymodes::messageFormatFor(displaymodes::DisplayMode::Angle)),
      graphDisplayMode(static_cast<int>(displaymodes::DisplayMode::Angle)),
      messageDisplayMode(static_cast<int>(displaymodes::DisplayMode::Angle)),
      dataRate(IMUserial::DATARATE_100HZ), angleX(0), angleY(0), angleZ(0), progressDialog(nullptr),
      reconnector([this] {
          imuSerial->initPort(0);
          return imuSerial->isDeivceOpen();
      })
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
    livePlot->removeTracer();
    tracer = nullptr;
    // A port search under way uses the device object.
    reconnector.stopAndWait();
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
    // Lines are appended later on the GUI thread, in the order they were
    // emitted from any thread, in batches. A streaming log then scrolls about
    // 20 times a second, which still reads as live, at a fraction of the cost
    // of following every refresh tick: each scroll of a full log lays out and
    // paints its whole view again.
    logFlushTimer.setSingleShot(true);
    logFlushTimer.setInterval(ticksPerLogFlush * live::kDisplayTickMs);
    connect(&logFlushTimer, &QTimer::timeout, this, &MainWindow::flushLog);
    connect(&angleTimer, &QTimer::timeout, this, &MainWindow::flushLogOnTick);
    connect(
        this, &MainWindow::writeLog, this,
        [this](const QString &text) {
            if (logQueue.push(text))
                QMetaObject::invokeMethod(this, &MainWindow::scheduleLogFlush,
                                          Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    connect(this, &MainWindow::transmiteErrorCallback, this, [this] {
        ++pendingTransmitErrorBoxes;
        showTransmitErrorBoxes();
    });
    connect(&angleTimer, &QTimer::timeout, this, &MainWindow::AngleDisplay);
    connect(&reconnector, &Reconnector::found, this, &MainWindow::linkRegained);
    connect(&reconnector, &Reconnector::gaveUp, this, [this] {
        linkWanted = false;
        emit writeLog("imu Reconnect Fail");
    });
    connect(&bootloaderWatch, &BootloaderWatch::appeared, this,
            [this] { emit writeLog(outcometexts::jumpToBootloader.success); });
    connect(&bootloaderWatch, &BootloaderWatch::missing, this, &MainWindow::bootloaderMissing);
    connectFirmwareUpgrade();
    connectFileMenu();
    connectViews();
    connectOrientationView();
    connectChart();
    connect(&linkBlinkTimer, &QTimer::timeout, this, &MainWindow::radioButtonUpdate);
    linkBlinkTimer.setInterval(500);

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

    setWindowTitle(windowTitle() + " V" + applicationVersion);
    ui->tabWidgetControlSection->setCurrentIndex(0);
    ui->textBrowserLogs->document()->setMaximumBlockCount(ui->spinBoxMaxLines->value());
    logQueue.setCapacity(ui->spinBoxMaxLines->value());
    ui->splitterGraphTable->setSizes({width(), 0});
    ui->splitterReceivedData->setSizes({200, 400});
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

bool MainWindow::deviceOpen(const closedport::Notice &notice)
{
    if (imuSerial->isDeivceOpen())
        return true;
    if (notice.logLine)
        emit writeLog(notice.logLine);
    if (notice.debugLine)
        qDebug() << notice.debugLine;
    if (notice.boxText)
        QMessageBoxWindow(MsgCritical, "Error", notice.boxText);
    return false;
}

void MainWindow::writeToPlainText(const QString &text)
{
    appendLogLines({text});
}

void MainWindow::flushLog()
{
    appendLogLines(logQueue.takeAll());
}

// While the display ticks run, the log is appended on every few ticks, in the
// pass of the event loop that paints the tick anyway; a flush of its own would
// cost the window a paint pass of its own.
void MainWindow::scheduleLogFlush()
{
    if (!angleTimer.isActive())
        logFlushTimer.start();
}

void MainWindow::flushLogOnTick()
{
    if (++ticksSinceLogFlush < ticksPerLogFlush)
        return;
    ticksSinceLogFlush = 0;
    flushLog();
}

void MainWindow::appendLogLines(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    if (!ui->checkBoxShowTime->isChecked()) {
        ui->textBrowserLogs->appendKeepingGlyphs(lines.join('\n'));
        return;
    }
    logTime = QDateTime::currentDateTime();
    const QString stamp = "[" + logTime.toString("hh:mm:ss.zzz") + "]: ";
    ui->textBrowserLogs->appendKeepingGlyphs(stamp + lines.join('\n' + stamp));
}

void MainWindow::on_pushButtonClear_clicked()
{
    ui->textBrowserLogs->clear();
}

void MainWindow::on_spinBoxMaxLines_valueChanged(int arg1)
{
    ui->textBrowserLogs->document()->setMaximumBlockCount(arg1);
    logQueue.setCapacity(arg1);
}

void MainWindow::on_pushButtonSerialLogScrollown_clicked()
{
    QScrollBar *bar = ui->textBrowserLogs->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void MainWindow::on_checkBox_display_stateChanged(int /*arg1*/)
{
    showMessages = ui->checkBox_display->isChecked();
}

void MainWindow::autoUpgrade(bool displaystartwindow)
{
    const QStringList arguments = programs::updaterArguments(
        QCoreApplication::applicationPid(), programs::updateManifestUrl(ORVIK_UPDATE_HOST),
        applicationName, applicationVersion, QDir(QCoreApplication::applicationDirPath()).path(),
        displaystartwindow);
    if (!QProcess::startDetached(programs::locate(programs::updaterName), arguments, QString()))
        emit writeLog("Failed to start the updater.");
}
