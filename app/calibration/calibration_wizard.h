// SPDX-License-Identifier: GPL-3.0-or-later
// The Calibrate… wizard: the operator chooses the magnetometer or the
// accelerometer of one chip or both, the module goes into calibration mode
// while its raw readings are collected and drawn, the fit runs on a worker
// thread, and only Write changes what the module stores. After a write the
// module's own calibrated stream is sampled to show what the set achieves.
// Leaving it by any way takes the module out of calibration mode and stops
// the stream it started. GUI thread only.
#pragma once

#include "calibration/background_job.h"
#include "calibration/collected_readings.h"
#include "calibration/fit_outcome.h"
#include "calibration/raw_sample_handoff.h"
#include "imuserial.h"
#include "prompts/prompter.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace calibration {

class PointCloudView;

// The module's stream as the Start Recv button switches it, so the button
// and the recording keep telling the truth.
struct StreamSwitch
{
    std::function<bool()> isOn;
    std::function<void()> start;
    std::function<void()> stop;
};

class CalibrationWizard : public QDialog
{
    Q_OBJECT

public:
    CalibrationWizard(IMUserial::IMUSerial &device, RawSampleHandoff &handoff, StreamSwitch stream,
                      std::function<double()> sampleRate, prompts::Prompter prompter,
                      QWidget *parent);
    ~CalibrationWizard() override;

    // Opens the wizard on its first page, or raises it when it is open.
    void start();
    void done(int result) override;

private:
    QWidget *buildChoicePage();
    QWidget *buildCollectPage();
    QWidget *buildVerifyPage();
    Choice choice() const;

    void startCollecting();
    void takeRawSamples();
    void compute();
    void showOutcome();
    void write();
    void startVerifying();
    void takeCalibratedSamples();
    void verify();
    void showCheck();
    void showVerdict(const QString &verdict);
    bool leaveCalibrationMode();
    void finish();

    IMUserial::IMUSerial &device_;
    RawSampleHandoff &handoff_;
    StreamSwitch stream_;
    std::function<double()> sampleRate_;
    prompts::Prompter prompter_;

    QStackedWidget *pages_;
    QRadioButton *magnetometer_;
    QComboBox *chips_;
    QLabel *choiceStatus_;
    QLabel *collectHelp_;
    PointCloudView *view_;
    QLabel *figures_;
    QPushButton *compute_;
    QPlainTextEdit *result_;
    QPushButton *write_;
    QLabel *verifyHelp_;
    QProgressBar *verifyProgress_;
    QLabel *verdict_;

    QTimer collectTimer_;
    QTimer verifyTimer_;
    QElapsedTimer verifyClock_;
    std::optional<CollectedReadings> collected_;
    std::optional<FitOutcome> outcome_;
    std::vector<Eigen::Vector3d> calibrated_;
    bool computing_ = false;
    bool inCalibrationMode_ = false;
    bool streamStarted_ = false;
    BackgroundJob<FitOutcome> fit_;
    BackgroundJob<QString> check_;
};

} // namespace calibration
