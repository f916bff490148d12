#pragma once

#include "bootloaderwatch.h"
#include "closedport.h"
#include "commandoutcome.h"
#include "firmwareupgrade.h"
#include "imuserial.h"
#include "live/display_tick.h"
#include "logqueue.h"
#include "reconnector.h"
#include "recording/csvexport.h"
#include "recording/recorder.h"
#include "samplehandoff.h"
#include "views/splitlayout.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QTimer>

#include <atomic>

class QCPGraph;
class QCPItemTracer;
class QProgressDialog;
template <class DataType> class QCPDataContainer;
class QCPGraphData;
using QCPGraphDataContainer = QCPDataContainer<QCPGraphData>;

class Ui_MainWindow;
namespace chart {
class LivePlot;
}
namespace views {
class ParserDataPanel;
}

enum QMessageBoxType
{
    MsgInformation = 0,
    MsgWarning = 1,
    MsgCritical = 2,
    MsgQuestion = 3,
    MsgNoIcon = 4,
};

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The one live window, for the device library's static callbacks.
    static MainWindow *pthis;

    // Appends every line emitted with writeLog so far to the log view now,
    // instead of at the next refresh tick (which does it by itself).
    void flushLog();

    // The clock the chart's keys are read from, for tests and benchmarks that
    // drive the time axis themselves; set it before samples flow.
    void setChartClock(SampleHandoff::ClockReading reading)
    {
        handoff.setClock(std::move(reading));
    }

signals:
    void writeLog(const QString &text);
    void transmiteErrorCallback();

public slots:
    void timerSlot();
    void radioButtonUpdate();
    void writeToPlainText(const QString &text);
    static void RecvImuCallback(IMUserial::sensor_data *data);
    static void CalibrationRecvCallback(IMUserial::sensor_data_calibration *data);
    void on_pushButtonSerialConnect_clicked(bool checked);
    void on_pushButtonClear_clicked();
    void on_spinBoxMaxLines_valueChanged(int arg1);
    void on_pushButtonSerialLogScrollown_clicked();
    void on_pushButtonStartPlot_clicked(bool checked);
    void on_pushButtonClearGraphs_clicked();
    void on_checkBox_display_stateChanged(int arg1);
    void on_comboBoxMessagesDisplayMode_currentTextChanged(const QString &arg1);
    void on_comboBoxGraphDisplayMode_currentTextChanged(const QString &arg1);
    void on_comboBoxDataRate_currentTextChanged(const QString &arg1);
    void on_comboBoxShowType_currentIndexChanged(int index);
    void AngleDisplay();
    void on_pushButtonStartGyrBiasCalib_clicked(bool checked);
    void on_pushButtonClearCalib_clicked();
    void on_pushButtonUpgrade_clicked();
    void on_pushButtonStartRecv_clicked(bool checked);
    void on_pushButtonGetCalibrationData_clicked();
    void on_pushButtonEnterCalibMode_clicked(bool checked);
    void on_pushButtonExitCalibMode_clicked(bool checked);
    void on_pushButtonStopGyrBiasCalib_clicked(bool checked);
    void on_pushButtonRecordQuaternionOffset_clicked(bool checked);
    void on_pushButtonResetQuaternionOffset_clicked(bool checked);
    int QMessageBoxWindow(QMessageBoxType type, QString WindowMsg, QString showMsg);
    void on_pushButton_jumpToDfu_clicked();
    void on_pushButton_leaveDfu_clicked();
    void on_pushButton_getSN_clicked();
    void on_pushButton_setSN_clicked();
    void on_pushButton_version_clicked();
    void on_pushButton_packfile_clicked();
    void autoUpgrade(bool displaystartwindow);

private:
    void initVariable();
    void setupGUI();
    static void transmite_error_callback();

    // True when the port is open; otherwise tells the operator as `notice` says.
    bool deviceOpen(const closedport::Notice &notice);
    bool confirmed(const QString &question);
    // Sends a command and logs its success or failure text.
    template <class Operation>
    bool sendAndLog(Operation &&operation, const commandoutcome::Texts &texts)
    {
        const bool done = commandoutcome::run(operation);
        emit writeLog(commandoutcome::textFor(done, texts));
        return done;
    }
    void stopStreamForCalibrationExchange();

    void appendLogLines(const QStringList &lines);
    void showTransmitErrorBoxes();
    void setLinkIndicator(bool on);
    void linkOpened();
    void linkClosed();
    void linkLost();
    void linkRegained();
    void bootloaderMissing();
    void connectFirmwareUpgrade();
    void chooseUpgradeImage();
    void showUpgradePhase(FirmwarePhase phase);
    void showUpgradeProgress(qint64 done, qint64 total);
    void firmwareRunSucceeded();
    void firmwareRunFailed(const FirmwareFailure &failure);
    void scheduleLogFlush();
    void flushLogOnTick();
    // The File menu: save and print the log and the chart, quit.
    void connectFileMenu();
    void saveLogAs();
    void saveGraphAs();
    void printLog();
    void printGraph();
    // The graph view's pages: the chart and the 3D orientation view.
    void connectOrientationView();

    Ui_MainWindow *ui;
    QCPItemTracer *tracer;
    IMUserial::IMUSerial *imuSerial;
    QPointer<QCPGraph> graph1;
    QPointer<QCPGraph> graph2;
    QPointer<QCPGraph> graph3;
    QSharedPointer<QCPGraphDataContainer> graph1Data;
    QSharedPointer<QCPGraphDataContainer> graph2Data;
    QSharedPointer<QCPGraphDataContainer> graph3Data;
    // Published window state: the last log time stamp, though only one function uses it.
    QDateTime logTime;
    QTimer plotTimer;
    QTimer linkBlinkTimer;
    QTimer angleTimer;
    // The flags and modes below are written on the GUI thread and read by the
    // device library's receive thread, hence atomic.
    std::atomic<bool> plotting;
    bool rescaleValueAxis;
    std::atomic<bool> showMessages;
    // Published window state: the chosen curve set; the chart reads the graphs' visibility.
    int showType;
    bool busy;
    // Published window state: the chosen line template. The sample callback
    // builds lines from messageDisplayMode instead, sharing no string with
    // the receive thread.
    QString messageFormat;
    std::atomic<int> graphDisplayMode;
    std::atomic<int> messageDisplayMode;
    IMUserial::DATARATE dataRate;
    // Published window state: the angles last shown, though only AngleDisplay uses them.
    double angleX;
    double angleY;
    double angleZ;
    QProgressDialog *progressDialog;

    // Log lines from every thread, appended in batches on the GUI thread:
    // on every third display tick while those run, else by the timer.
    LogQueue logQueue;
    static constexpr int ticksPerLogFlush = 3;
    int ticksSinceLogFlush = 0;
    QTimer logFlushTimer;
    // Chart points and angles from the receive thread; it also keeps the
    // chart's time origin, which that thread sets.
    SampleHandoff handoff;
    // Transmit errors waiting for their box, shown one after the other.
    int pendingTransmitErrorBoxes = 0;
    bool showingTransmitErrorBox = false;

    // The operator connected and has not disconnected since: a module that
    // goes away is looked for, and what ran is restored when it is back.
    bool linkWanted = false;
    struct
    {
        bool streaming = false;
        bool plotting = false;
    } runningWhenLost;
    Reconnector reconnector;
    // Confirms a jump to the bootloader.
    BootloaderWatch bootloaderWatch;
    // Upgrades the firmware or leaves the bootloader; the run under way is
    // an upgrade, else a leave.
    FirmwareUpgrade firmwareUpgrade{this};
    bool upgrading = false;

    // The chart: its set-up, points, tracer and steering (mainwindow_chart.cpp).
    void connectChart();
    live::DisplayTicks displayTicks() { return {angleTimer, plotTimer}; }
    chart::LivePlot *livePlot = nullptr;

    // The stream's recording and its export as CSV (mainwindow_recording.cpp).
private slots:
    void on_actionto_csv_triggered();

private:
    void startRecordingUnlessResumed();
    void csvExportFinished(bool cancelled, const QString &failure);
    recording::Recorder recorder;
    // The export under way, if any, and its progress dialog.
    std::unique_ptr<recording::CsvExport> csvExport;
    QPointer<QProgressDialog> csvExportProgress;
    // A stream restarted after a lost link continues the recording it had.
    bool resumingStream = false;

    // The split views, the parser-data panel and the help shortcuts
    // (mainwindow_views.cpp).
private:
    void connectViews();
    void applySplit();
    void refreshParserPanel();
    void showApplicationInfo();
    views::SplitState splitState;
    views::ParserDataPanel *parserPanel = nullptr;
};
