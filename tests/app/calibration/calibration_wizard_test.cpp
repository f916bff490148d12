// The Calibrate… wizard against the scripted device library: raw readings of
// a sensor with known errors fed through the calibration callback, the fit,
// the write with its read-back, refusals and every way of leaving.
#include "calibration/magnetometer_fit.h"
#include "synthetic_readings.h"
#include "window_fixture.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

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

// Turned about its z axis only: every reading in one plane.
std::vector<Eigen::Vector3d> yawedOnly()
{
    return magnetometer().read(calibrationtest::yawVectors(600, 45, 60));
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

    void feed(const std::vector<IMUserial::sensor_data_calibration> &records)
    {
        std::thread([&] {
            for (const auto &record : records)
                device().emitCalibrationSample(record);
        }).join();
        const QString counted = QString::number(records.size()) + " readings";
        ASSERT_TRUE(waitUntil([&] {
            return widget<QLabel>("labelFigures")->text().startsWith(counted) &&
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
    EXPECT_TRUE(computed().contains("Magnetometer: 2000 readings"));
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
    if (window)
        EXPECT_FALSE(wizard()->isVisible());
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
