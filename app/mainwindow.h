// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "calibration/raw_sample_handoff.h"
#include "chart/graph_data_container.h"
#include "imuserial.h"
#include "live/display_tick.h"
#include "live/sample_handoff.h"
#include "prompts/prompter.h"

#include <QDateTime>
#include <QDir>
#include <QMainWindow>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

class QCPGraph;
class QCPItemTracer;
class QProgressDialog;

class Ui_MainWindow;
namespace calibration {
class CalibrationPanel;
class CalibrationWizard;
} // namespace calibration
namespace chart {
class LivePlot;
}
namespace connection {
class LinkControl;
}
namespace filemenu {
class FileMenu;
}
namespace firmware {
class FirmwarePanel;
}
namespace identity {
class IdentityPanel;
}
namespace live {
class ShownSample;
}
namespace livelog {
class LiveLog;
}
namespace recording {
class StreamRecording;
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

    // Offers, one after the other, the recordings left unsaved under
    // `folder` by a program that is gone (called once at start-up).
    void offerUnsavedRecordings(const QString &folder = QDir::tempPath());

    // Appends every line emitted with writeLog so far to the log view now,
    // instead of at the next refresh tick (which does it by itself).
    void flushLog();

    // The clock the chart's keys are read from, for tests and benchmarks that
    // drive the time axis themselves; set it before samples flow.
    void setChartClock(live::SampleHandoff::ClockReading reading)
    {
        handoff_.setClock(std::move(reading));
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
    // Each builds and wires its concern's units (mainwindow_<concern>.cpp).
    void connectLog();
    void connectLive();
    void connectChart();
    void connectLink();
    void connectCalibration();
    void connectIdentity();
    void connectFirmware();
    void connectFileMenu();
    void connectViews();
    void connectNoise();
    void connectReplay();
    static void transmite_error_callback();
    // How the units speak to the operator: through writeLog and QMessageBoxWindow.
    prompts::Prompter prompter();
    live::DisplayTicks displayTicks() { return {angleTimer, plotTimer}; }

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

    // Chart points and angles from the receive thread, for the chart, the
    // read-outs, the parser panel and the orientation view; it also keeps the
    // chart's time origin, which that thread sets.
    live::SampleHandoff handoff_;
    // What the read-outs, the parser panel and the 3D view show: the
    // hand-off's latest sample, or a replayed recording's.
    live::ShownSample *shown_ = nullptr;
    // Raw and calibrated readings from the receive thread, while the
    // calibration wizard collects them.
    calibration::RawSampleHandoff calibrationHandoff_;
    // The units the window wires together, owned by the window.
    livelog::LiveLog *liveLog_ = nullptr;
    chart::LivePlot *livePlot_ = nullptr;
    std::unique_ptr<recording::StreamRecording> stream_;
    connection::LinkControl *link_ = nullptr;
    std::unique_ptr<calibration::CalibrationPanel> calibrationPanel_;
    std::unique_ptr<calibration::CalibrationWizard> calibrationWizard_;
    std::unique_ptr<identity::IdentityPanel> identityPanel_;
    firmware::FirmwarePanel *firmwarePanel_ = nullptr;
    filemenu::FileMenu *fileMenu_ = nullptr;

private slots:
    void on_actionto_csv_triggered();
};
