// SPDX-License-Identifier: GPL-3.0-or-later
// The Calibrate… wizard against the scripted device library: raw readings of
// a sensor with known errors fed through the calibration callback, the fit,
// the write with its read-back, refusals and every way of leaving.
#include "calibration/fit_limits.h"
#include "calibration/magnetometer_fit.h"
#include "calibration/still_poses.h"
#include "neutral_calibration.h"
#include "synthetic_readings.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cstring>
#include <thread>

using calibrationtest::SimulatedSensor;

namespace {

IMUserial::vec3 vec3(const Eigen::Vector3d &v)
{
    return {float(v.x()), float(v.y()), float(v.z())};
}

std::vector<IMUserial::sensor_data_calibration>
magnetometerRecords(const std::vector<Eigen::Vector3d> &raw)
{
    std::vector<IMUserial::sensor_data_calibration> records(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        records[i].mag = vec3(raw[i]);
    return records;
}

const Eigen::Vector3d kHardIron(12, -7, 4);

SimulatedSensor magnetometer()
{
    return SimulatedSensor(
        {kHardIron, calibrationtest::symmetricMatrix(1.08, 0.95, 1.02, 0.03, -0.02, 0.01), 0.2}, 7);
}

// Turned through every direction.
std::vector<Eigen::Vector3d> tumbled()
{
    return magnetometer().read(calibrationtest::sphereVectors(2000, 45));
}

const Eigen::Vector3d kChip2Bias(-0.06, 0.04, -0.02);

// Chip 2 held still in each wanted direction in turn, at the window's 100 Hz.
std::vector<IMUserial::sensor_data_calibration> chip2Poses()
{
    SimulatedSensor chip2(
        {kChip2Bias, calibrationtest::symmetricMatrix(1.01, 0.99, 1.0, 0, 0, 0), 0.01}, 3);
    const std::vector<Eigen::Vector3d> stream = chip2.stream(
        calibrationtest::scaled(calibration::wantedPoseDirections(), calibration::kStandardGravity),
        100, 2, 0.5);
    std::vector<IMUserial::sensor_data_calibration> records(stream.size());
    for (std::size_t i = 0; i < stream.size(); ++i)
        records[i].acc2 = vec3(stream[i]);
    return records;
}

// Turned about its z axis only: every reading in one plane.
std::vector<Eigen::Vector3d> yawedOnly()
{
    return magnetometer().read(calibrationtest::yawOnlyVectors(600, 45));
}

} // namespace

class CalibrationWizard : public WindowTest
{
protected:
    template <class T = QPushButton> T *widget(const char *name)
    {
        T *child = window->findChild<T *>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QDialog *wizard() { return widget<QDialog>("calibrationWizard"); }

    void startCollecting()
    {
        connectDevice();
        click("pushButtonCalibrate");
        widget("pushButtonStartCollecting")->click();
    }

    // Waits until the figures show what was fed: `figures` by default the
    // count of magnetometer readings.
    void feed(const std::vector<IMUserial::sensor_data_calibration> &records, QString figures = {})
    {
        std::thread([&] {
            for (const auto &record : records)
                device().emitCalibrationSample(record);
        }).join();
        if (figures.isNull())
            figures = QString::number(records.size()) + " readings";
        ASSERT_TRUE(waitUntil([&] {
            return widget<QLabel>("labelFigures")->text().startsWith(figures) &&
                   widget("pushButtonCompute")->isEnabled();
        }));
    }

    QString computed()
    {
        widget("pushButtonCompute")->click();
        EXPECT_TRUE(waitUntil([&] { return widget("pushButtonCompute")->isEnabled(); }));
        return widget<QPlainTextEdit>("plainTextEditFitResult")->toPlainText();
    }

    bool nothingWritten()
    {
        return device().magSetsWritten().empty() && device().imuSetsWritten().empty();
    }
};

TEST_F(CalibrationWizard, WritesTheFittedSetReadsItBackAndSamplesTheCalibratedStream)
{
    startCollecting();
    feed(magnetometerRecords(tumbled()));
    EXPECT_TRUE(computed().startsWith("Magnetometer:\n2000 readings"));
    ASSERT_TRUE(widget("pushButtonWrite")->isEnabled());
    widget("pushButtonWrite")->click();

    ASSERT_EQ(device().magSetsWritten().size(), 1u);
    const IMUserial::mag_calibration_data written = device().magSetsWritten()[0];
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(written.mag_bias[axis], kHardIron[axis], 0.3) << axis;
    const std::vector<std::string> calls = device().calls();
    EXPECT_EQ(
        std::vector<std::string>(calls.end() - 6, calls.end() - 2),
        (std::vector<std::string>{"write_mag_calibration_data", "read_imu1_calibration_data",
                                  "read_imu2_calibration_data", "read_mag_calibration_data"}));
    EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
              (std::vector<std::string>{"exitCalibrationMode", "start_data_ransmission"}));
    EXPECT_TRUE(log().contains("Calibration write: Calibration written and read back."));
    EXPECT_EQ(find<QAbstractButton>("pushButtonStartRecv")->text(), "Stop Recv");

    wizard()->reject();
    EXPECT_EQ(device().calls().back(), "stop_data_ransmission") << "the stream it started";
    EXPECT_EQ(find<QAbstractButton>("pushButtonStartRecv")->text(), "Start Recv");
}

TEST_F(CalibrationWizard, ChipTwoIsWrittenAloneAndVerifiedByItsReadBack)
{
    IMUserial::imu_calibration_data stored = IMUserial::neutralImuSet();
    stored.gyr_bias[0] = 0.35f;
    device().setCalibration(stored, stored, IMUserial::neutralMagSet());
    connectDevice();
    click("pushButtonCalibrate");
    widget<QRadioButton>("radioButtonAccelerometer")->setChecked(true);
    widget<QComboBox>("comboBoxChips")->setCurrentIndex(1);
    widget("pushButtonStartCollecting")->click();
    feed(chip2Poses(), "Chip 2: 12 still poses");
    EXPECT_TRUE(computed().startsWith("Accelerometer of chip 2:\n12 still poses"));
    widget("pushButtonWrite")->click();

    ASSERT_EQ(device().imuSetsWritten().size(), 2u);
    const IMUserial::imu_calibration_data chip1 = device().imuSetsWritten()[0];
    const IMUserial::imu_calibration_data chip2 = device().imuSetsWritten()[1];
    EXPECT_EQ(0, std::memcmp(&chip1, &stored, sizeof stored)) << "chip 1 kept";
    EXPECT_EQ(chip2.gyr_bias[0], 0.35f) << "the gyroscope part kept";
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(chip2.acc_bias[axis], kChip2Bias[axis], 0.01) << axis;
    EXPECT_EQ(widget<QLabel>("labelVerdict")->text(),
              "Chip 2 verified by read-back only: the module's stream reports chip 1.");
    EXPECT_FALSE(device().wasCalled("start_data_ransmission"));
    EXPECT_EQ(device().calls().back(), "exitCalibrationMode");
}

TEST_F(CalibrationWizard, ReadingsInOnePlaneAreRefusedWithTheirReason)
{
    startCollecting();
    const std::vector<Eigen::Vector3d> raw = yawedOnly();
    feed(magnetometerRecords(raw));
    const std::string reason = calibration::fitMagnetometer(raw).refusal;
    ASSERT_FALSE(reason.empty());
    EXPECT_TRUE(computed().contains("Not fitted: " + QString::fromStdString(reason)));
    EXPECT_FALSE(widget("pushButtonWrite")->isEnabled());
    wizard()->reject();
    EXPECT_TRUE(nothingWritten());
}

enum class Leave
{
    Escape,
    CloseButton,
    Closed,
    WindowClosed,
};

class LeavingTheWizard : public CalibrationWizard, public ::testing::WithParamInterface<Leave>
{
protected:
    void leave()
    {
        switch (GetParam()) {
        case Leave::Escape:
            return QTest::keyClick(wizard(), Qt::Key_Escape);
        case Leave::CloseButton:
            return wizard()
                ->findChild<QDialogButtonBox *>()
                ->button(QDialogButtonBox::Close)
                ->click();
        case Leave::Closed:
            wizard()->close();
            return;
        case Leave::WindowClosed:
            window.reset();
        }
    }
};

TEST_P(LeavingTheWizard, ExitsCalibrationModeAndWritesNothing)
{
    startCollecting();
    feed(magnetometerRecords(tumbled()));
    computed();
    leave();
    EXPECT_EQ(device().calls().back(), "exitCalibrationMode");
    EXPECT_TRUE(nothingWritten());
    if (window) {
        EXPECT_FALSE(wizard()->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(, LeavingTheWizard,
                         ::testing::Values(Leave::Escape, Leave::CloseButton, Leave::Closed,
                                           Leave::WindowClosed));

TEST_F(CalibrationWizard, AModuleClosedOrRefusingStaysOnTheChoice)
{
    click("pushButtonCalibrate");
    widget("pushButtonStartCollecting")->click();
    EXPECT_EQ(widget<QLabel>("labelChoiceStatus")->text(),
              "The module is not connected: connect it and start again.");
    connectDevice();
    device().setResult("enterCalibrationMode", false);
    widget("pushButtonStartCollecting")->click();
    EXPECT_EQ(widget<QLabel>("labelChoiceStatus")->text(),
              "The module did not go into calibration mode: start again.");
    EXPECT_EQ(log().back(), "Enter Calibration Mode FAIL");
    wizard()->reject();
    EXPECT_FALSE(device().wasCalled("exitCalibrationMode"));
}
