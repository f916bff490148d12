// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_wizard.h"

#include "calibration/calibration_report.h"

#include "calibration/point_cloud_view.h"
#include "connection/closed_port.h"
#include "outcome/outcome_texts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace calibration {

namespace {

constexpr int kTakeIntervalMs = 100;
constexpr int kVerifyMs = 15000;

enum Page
{
    ChoicePage,
    CollectPage,
    VerifyPage,
};

QLabel *wrappedLabel(const QString &objectName, const QString &text = {})
{
    auto *label = new QLabel(text);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    return label;
}

QPushButton *button(const QString &objectName, const QString &text)
{
    auto *pushButton = new QPushButton(text);
    pushButton->setObjectName(objectName);
    return pushButton;
}

Eigen::Vector3d vector(const IMUserial::vec3 &v)
{
    return {v.x, v.y, v.z};
}

QString collectHelp(const Choice &choice)
{
    if (choice.sensor == Sensor::Magnetometer)
        return QObject::tr("Turn the module slowly through every direction, away from metal and "
                           "magnets, until most marks on the sphere are green.");
    return QObject::tr("Hold the module still for two seconds in each direction an orange ring "
                       "marks: each face up, and tilted halfway between them. Each still pose "
                       "found shows as a blue dot.");
}

QString verifyHelp(const Choice &choice)
{
    const QString what =
        choice.sensor == Sensor::Magnetometer
            ? QObject::tr("keep turning the module through many directions")
            : QObject::tr("hold the module still in a few different poses, a few seconds each");
    return QObject::tr("The module's calibrated stream is checked for %1 s: %2.")
        .arg(kVerifyMs / 1000)
        .arg(what);
}

} // namespace

CalibrationWizard::CalibrationWizard(IMUserial::IMUSerial &device, RawSampleHandoff &handoff,
                                     StreamSwitch stream, std::function<double()> sampleRate,
                                     prompts::Prompter prompter, QWidget *parent)
    : QDialog(parent), device_(device), handoff_(handoff), stream_(std::move(stream)),
      sampleRate_(std::move(sampleRate)), prompter_(std::move(prompter)), pages_(new QStackedWidget)
{
    setObjectName("calibrationWizard");
    setWindowTitle(tr("Calibrate"));
    pages_->addWidget(buildChoicePage());
    pages_->addWidget(buildCollectPage());
    pages_->addWidget(buildVerifyPage());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    resize(960, 600);
    collectTimer_.setInterval(kTakeIntervalMs);
    connect(&collectTimer_, &QTimer::timeout, this, &CalibrationWizard::takeRawSamples);
    verifyTimer_.setInterval(kTakeIntervalMs);
    connect(&verifyTimer_, &QTimer::timeout, this, &CalibrationWizard::takeCalibratedSamples);
    connect(&fit_, &JobSignals::finished, this, &CalibrationWizard::showOutcome);
    connect(&check_, &JobSignals::finished, this, &CalibrationWizard::showCheck);
}

CalibrationWizard::~CalibrationWizard()
{
    finish();
}

QWidget *CalibrationWizard::buildChoicePage()
{
    magnetometer_ = new QRadioButton(tr("Magnetometer"));
    magnetometer_->setObjectName("radioButtonMagnetometer");
    magnetometer_->setChecked(true);
    auto *accelerometer = new QRadioButton(tr("Accelerometer of"));
    accelerometer->setObjectName("radioButtonAccelerometer");
    chips_ = new QComboBox;
    chips_->setObjectName("comboBoxChips");
    chips_->addItems({tr("chip 1"), tr("chip 2"), tr("chips 1 and 2")});
    chips_->setEnabled(false);
    connect(accelerometer, &QRadioButton::toggled, chips_, &QComboBox::setEnabled);
    auto *accelerometerRow = new QHBoxLayout;
    accelerometerRow->addWidget(accelerometer);
    accelerometerRow->addWidget(chips_);
    accelerometerRow->addStretch();
    auto *sensors = new QGroupBox(tr("Sensor"));
    auto *sensorLayout = new QVBoxLayout(sensors);
    sensorLayout->addWidget(magnetometer_);
    sensorLayout->addLayout(accelerometerRow);
    auto *collect = button("pushButtonStartCollecting", tr("Start Collecting"));
    connect(collect, &QPushButton::clicked, this, &CalibrationWizard::startCollecting);
    choiceStatus_ = wrappedLabel("labelChoiceStatus");

    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrappedLabel(
        "labelChoiceHelp", tr("Choose the sensor to calibrate. The module goes into calibration "
                              "mode while its raw readings are collected; nothing is stored on "
                              "it until you press Write.")));
    layout->addWidget(sensors);
    layout->addWidget(collect, 0, Qt::AlignLeft);
    layout->addWidget(choiceStatus_);
    layout->addStretch();
    return page;
}

QWidget *CalibrationWizard::buildCollectPage()
{
    view_ = new PointCloudView;
    collectHelp_ = wrappedLabel("labelCollectHelp");
    figures_ = wrappedLabel("labelFigures");
    compute_ = button("pushButtonCompute", tr("Compute"));
    connect(compute_, &QPushButton::clicked, this, &CalibrationWizard::compute);
    result_ = new QPlainTextEdit;
    result_->setObjectName("plainTextEditFitResult");
    result_->setReadOnly(true);
    result_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    result_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    write_ = button("pushButtonWrite", tr("Write"));
    connect(write_, &QPushButton::clicked, this, &CalibrationWizard::write);
    auto *actions = new QHBoxLayout;
    actions->addWidget(compute_);
    actions->addWidget(write_);
    actions->addStretch();

    auto *side = new QVBoxLayout;
    side->addWidget(collectHelp_);
    side->addWidget(figures_);
    side->addLayout(actions);
    side->addWidget(result_, 1);
    auto *page = new QWidget;
    auto *layout = new QHBoxLayout(page);
    layout->addWidget(view_, 1);
    layout->addLayout(side, 1);
    return page;
}

QWidget *CalibrationWizard::buildVerifyPage()
{
    verifyHelp_ = wrappedLabel("labelVerifyHelp");
    verifyProgress_ = new QProgressBar;
    verifyProgress_->setObjectName("progressBarVerify");
    verifyProgress_->setRange(0, kVerifyMs);
    verifyProgress_->setTextVisible(false);
    verdict_ = wrappedLabel("labelVerdict");
    verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(verifyHelp_);
    layout->addWidget(verifyProgress_);
    layout->addWidget(verdict_);
    layout->addStretch();
    return page;
}

void CalibrationWizard::start()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    choiceStatus_->clear();
    pages_->setCurrentIndex(ChoicePage);
    open();
}

void CalibrationWizard::done(int result)
{
    finish();
    QDialog::done(result);
}

Choice CalibrationWizard::choice() const
{
    if (magnetometer_->isChecked())
        return {Sensor::Magnetometer, {false, false}};
    const int chips = chips_->currentIndex();
    return {Sensor::Accelerometer, {chips != 1, chips != 0}};
}

void CalibrationWizard::startCollecting()
{
    if (!connection::deviceOpen(device_, connection::kLoggedAndDebugged, prompter_))
        return choiceStatus_->setText(
            tr("The module is not connected: connect it and start again."));
    if (!prompter_.sendAndLog([&] { return device_.enterCalibrationMode(); },
                              outcome::kEnterCalibrationMode))
        return choiceStatus_->setText(
            tr("The module did not go into calibration mode: start again."));
    inCalibrationMode_ = true;
    collected_.emplace(choice(), sampleRate_());
    outcome_.reset();
    handoff_.listen(RawSampleHandoff::Listening::Raw);
    collectHelp_->setText(collectHelp(choice()));
    figures_->setText(collected_->figuresText());
    view_->setScene(collected_->scene());
    compute_->setEnabled(false);
    write_->setEnabled(false);
    result_->clear();
    pages_->setCurrentIndex(CollectPage);
    collectTimer_.start();
}

void CalibrationWizard::takeRawSamples()
{
    const std::vector<IMUserial::sensor_data_calibration> records = handoff_.takeRaw();
    if (records.empty())
        return;
    for (const IMUserial::sensor_data_calibration &record : records)
        collected_->add(record);
    figures_->setText(collected_->figuresText());
    view_->setScene(collected_->scene());
    compute_->setEnabled(!computing_ && collected_->canCompute());
}

void CalibrationWizard::compute()
{
    computing_ = true;
    compute_->setEnabled(false);
    write_->setEnabled(false);
    result_->setPlainText(tr("Computing…"));
    fit_.start([input = collected_->fitInput()] { return runFits(input); });
}

void CalibrationWizard::showOutcome()
{
    std::optional<FitOutcome> outcome = fit_.take();
    if (!outcome)
        return;
    computing_ = false;
    outcome_ = std::move(outcome);
    result_->setPlainText(outcomeText(*outcome_));
    prompter_.log(outcomeLogLine(*outcome_));
    compute_->setEnabled(collected_->canCompute());
    write_->setEnabled(outcome_->writable());
}

void CalibrationWizard::write()
{
    const FittedWrite written = writeFitted(device_, outcome_->fits());
    prompter_.log("Calibration write: " + writtenText(written));
    result_->appendPlainText("\n" + writtenText(written));
    if (written != FittedWrite::Verified)
        return;
    collectTimer_.stop();
    handoff_.listen(RawSampleHandoff::Listening::Nothing);
    startVerifying();
}

void CalibrationWizard::startVerifying()
{
    const bool onStream = checkedOnStream(outcome_->choice);
    pages_->setCurrentIndex(VerifyPage);
    verifyHelp_->setText(writtenText(FittedWrite::Verified) +
                         (onStream ? "\n\n" + verifyHelp(outcome_->choice) : QString()));
    verifyProgress_->setVisible(onStream);
    verifyProgress_->setValue(0);
    const bool leftMode = leaveCalibrationMode();
    if (!onStream)
        return showVerdict(verdictText(*outcome_, {}, 0));
    if (!leftMode)
        return showVerdict(tr("Written and read back; not checked on the module's stream, as "
                              "the module stayed in calibration mode."));
    if (!stream_.isOn()) {
        stream_.start();
        streamStarted_ = stream_.isOn();
    }
    if (!stream_.isOn())
        return showVerdict(tr("Written and read back; not checked on the module's stream, as "
                              "the stream did not start."));
    calibrated_.clear();
    handoff_.listen(RawSampleHandoff::Listening::Calibrated);
    verifyClock_.start();
    verifyTimer_.start();
}

void CalibrationWizard::takeCalibratedSamples()
{
    const bool magnetometer = outcome_->choice.sensor == Sensor::Magnetometer;
    for (const IMUserial::sensor_data &sample : handoff_.takeCalibrated())
        calibrated_.push_back(vector(magnetometer ? sample.mag : sample.acc));
    const qint64 elapsed = verifyClock_.elapsed();
    verifyProgress_->setValue(int(std::min<qint64>(elapsed, kVerifyMs)));
    verdict_->setText(tr("%1 calibrated samples").arg(calibrated_.size()));
    if (elapsed >= kVerifyMs)
        verify();
}

void CalibrationWizard::verify()
{
    verifyTimer_.stop();
    handoff_.listen(RawSampleHandoff::Listening::Nothing);
    if (streamStarted_)
        stream_.stop();
    streamStarted_ = false;
    verdict_->setText(tr("Checking %1 calibrated samples…").arg(calibrated_.size()));
    check_.start([outcome = *outcome_, samples = std::move(calibrated_), rate = sampleRate_()] {
        return verdictText(outcome, samples, rate);
    });
    calibrated_.clear();
}

void CalibrationWizard::showCheck()
{
    if (const std::optional<QString> verdict = check_.take())
        showVerdict(*verdict);
}

void CalibrationWizard::showVerdict(const QString &verdict)
{
    verifyProgress_->setValue(kVerifyMs);
    verdict_->setText(verdict);
    prompter_.log("Calibration check: " + QString(verdict).replace('\n', ' '));
}

bool CalibrationWizard::leaveCalibrationMode()
{
    if (inCalibrationMode_)
        inCalibrationMode_ = !prompter_.sendAndLog([&] { return device_.exitCalibrationMode(); },
                                                   outcome::kExitCalibrationMode);
    return !inCalibrationMode_;
}

void CalibrationWizard::finish()
{
    fit_.discard();
    check_.discard();
    computing_ = false;
    collectTimer_.stop();
    verifyTimer_.stop();
    handoff_.listen(RawSampleHandoff::Listening::Nothing);
    leaveCalibrationMode();
    // A module that refused to leave is not asked again by the next run.
    inCalibrationMode_ = false;
    if (streamStarted_)
        stream_.stop();
    streamStarted_ = false;
}

} // namespace calibration
