// SPDX-License-Identifier: GPL-3.0-or-later
// Calibration mode, its stream, the read-out and the calibration commands,
// against the scripted device library.
#include "calibration/calibration_text.h"
#include "neutral_calibration.h"
#include "window_fixture.h"

#include <QComboBox>

#include <cstring>
#include <thread>

namespace {

struct Command
{
    const char *button;
    const char *question;
    const char *operation;
};

const Command commands[] = {
    {"pushButtonStartGyrBiasCalib", "Do you want to\"startGyrBiasCalibration? \"",
     "startGyrBiasCalibration"},
    {"pushButtonStopGyrBiasCalib", "Do you want to\"StopGyrBiasCalib? \"",
     "stopGyrBiasCalibration"},
    {"pushButtonRecordQuaternionOffset", "Do you want to\"RecordQuaternionOffset? \"",
     "RecordQuaternionOffset"},
    {"pushButtonResetQuaternionOffset", "Do you want to\"ResetQuaternionOffset? \"",
     "ResetQuaternionOffset"},
    {"pushButtonClearCalib", "Do you want to\"ClearCalibationData? \"",
     "write_imu1_calibration_data"},
};

} // namespace

class Calibration : public WindowTest
{
protected:
    QString view() { return find<QPlainTextEdit>("plainTextEdit_calibration")->toPlainText(); }

    void fireCalibrationSample(const IMUserial::sensor_data_calibration &sample)
    {
        std::thread([&] { device().emitCalibrationSample(sample); }).join();
    }
};

TEST_F(Calibration, EnterAndExitReportTheModulesAnswer)
{
    click("pushButtonEnterCalibMode");
    click("pushButtonExitCalibMode");
    EXPECT_EQ(log(), (QStringList{"Device is not open", "Device is not open"}));
    EXPECT_FALSE(device().wasCalled("enterCalibrationMode"));

    connectDevice();
    click("pushButtonEnterCalibMode");
    device().setResult("enterCalibrationMode", false);
    device().setResult("exitCalibrationMode", false);
    click("pushButtonEnterCalibMode");
    click("pushButtonExitCalibMode");
    EXPECT_EQ(log().mid(3),
              (QStringList{"Enter Calibration Mode SUCCESS", "Enter Calibration Mode FAIL",
                           "Exit Calibration Mode FAIL"}));
}

TEST_F(Calibration, TheStreamIsLoggedInTheChosenModeOnly)
{
    connectDevice();
    IMUserial::sensor_data_calibration sample{};
    sample.temp1 = 25.0f;
    sample.temp2 = 31.456f;
    sample.mag = {1, 2, 3};
    auto *mode = find<QComboBox>("comboBoxMessagesDisplayMode");
    for (const char *text : {"Temperature", "FreeAcc", "Quaternion", "Mag"}) {
        mode->setCurrentText(text);
        fireCalibrationSample(sample);
    }
    find<QAbstractButton>("checkBox_display")->setChecked(false);
    fireCalibrationSample(sample);
    EXPECT_EQ(log().mid(1),
              (QStringList{"[Temp1] 25.00 [Temp2] 31.46", "[mag] x: 1.00 y 2.00 z: 3.00"}));
}

TEST_F(Calibration, GetDataStopsTheStreamAndShowsTheThreeSets)
{
    IMUserial::imu_calibration_data imu1 = IMUserial::neutralImuSet();
    imu1.gyr_bias[0] = 0.5f;
    IMUserial::imu_calibration_data imu2 = IMUserial::neutralImuSet();
    IMUserial::mag_calibration_data mag = IMUserial::neutralMagSet();
    mag.mag_radii[1] = 48.0f;
    device().setCalibration(imu1, imu2, mag);
    connectDevice();
    click("pushButtonStartRecv");
    click("pushButtonGetCalibrationData");

    EXPECT_EQ(view(), calibration::readout(imu1, imu2, mag));
    EXPECT_EQ(log().mid(1), (QStringList{"Start Receive", "Stop Receive"}));
    EXPECT_FALSE(find<QAbstractButton>("pushButtonStartRecv")->isChecked());
    EXPECT_EQ(find<QAbstractButton>("pushButtonStartRecv")->text(), "Start Recv");
    const std::vector<std::string> calls = device().calls();
    EXPECT_EQ(
        std::vector<std::string>(calls.end() - 4, calls.end()),
        (std::vector<std::string>{"stop_data_ransmission", "read_imu1_calibration_data",
                                  "read_imu2_calibration_data", "read_mag_calibration_data"}));
}

TEST_F(Calibration, ASetThatCouldNotBeReadShowsNoNumbers)
{
    const IMUserial::imu_calibration_data imu = IMUserial::neutralImuSet();
    const IMUserial::mag_calibration_data mag = IMUserial::neutralMagSet();
    device().setCalibration(imu, imu, mag);
    connectDevice();
    device().setResult("read_imu2_calibration_data", false);
    click("pushButtonGetCalibrationData");
    EXPECT_EQ(view(), calibration::readout(imu, std::nullopt, mag)) << "refused";

    device().setResult("read_imu2_calibration_data", true);
    device().setReadsFail(true); // answered, but nothing delivered
    click("pushButtonGetCalibrationData");
    EXPECT_EQ(view(), calibration::readout(std::nullopt, std::nullopt, std::nullopt));
    EXPECT_FALSE(view().contains(QRegularExpression("[0-9]\\.[0-9]")));
}

TEST_F(Calibration, GetDataWithTheDeviceClosedKeepsTheEarlierReadout)
{
    find<QPlainTextEdit>("plainTextEdit_calibration")->setPlainText("earlier read-out");
    click("pushButtonGetCalibrationData");
    EXPECT_EQ(log(), QStringList{"Device is not open"});
    EXPECT_EQ(view(), "earlier read-out");
}

TEST_F(Calibration, EveryCommandAsksFirstAndDoesNothingUnlessYes)
{
    connectDevice();
    const QStringList logBefore = log();
    for (const Command &command : commands) {
        MessageBoxAnswerer answerer({QMessageBox::No, QMessageBox::Escape});
        click(command.button);
        click(command.button);
        ASSERT_EQ(answerer.seen().size(), 2) << command.button;
        EXPECT_EQ(answerer.seen()[0].text, command.question);
        EXPECT_EQ(answerer.seen()[0].title, "Question");
        EXPECT_EQ(answerer.seen()[0].icon, QMessageBox::Question);
        EXPECT_EQ(answerer.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_FALSE(device().wasCalled(command.operation)) << command.button;
    }
    EXPECT_EQ(log(), logBefore);
}

TEST_F(Calibration, CommandsReportTheirOutcome)
{
    connectDevice();
    device().setResult("stopGyrBiasCalibration", false);
    device().setResult("RecordQuaternionOffset", false);
    device().setResult("ResetQuaternionOffset", false);
    MessageBoxAnswerer answerer(QList<QMessageBox::StandardButton>(5, QMessageBox::Yes));
    for (int i = 0; i < 4; ++i)
        click(commands[i].button);
    device().setResult("startGyrBiasCalibration", false);
    click(commands[0].button);
    EXPECT_EQ(log().mid(1),
              (QStringList{"Start GyrBias Calibration", "FAIL to Stop Gyr Bias Calibration",
                           "Record Quaternion Offset FAIL", "Reset Quaternion Offset FAIL",
                           "ERROR: Cannot Enter GyrBias Calibration"}));
}

TEST_F(Calibration, WithTheDeviceClosedCommandsSendNothingAndClearStaysSilent)
{
    find<QPlainTextEdit>("plainTextEdit_calibration")->setPlainText("earlier");
    MessageBoxAnswerer answerer(QList<QMessageBox::StandardButton>(5, QMessageBox::Yes));
    for (const Command &command : commands)
        click(command.button);
    EXPECT_EQ(log(), QStringList(4, "Device is not open"));
    EXPECT_EQ(view(), "earlier");
    for (const Command &command : commands)
        EXPECT_FALSE(device().wasCalled(command.operation));
}

TEST_F(Calibration, ClearWhileStreamingStopsItAndWritesNeutralSetsEverywhere)
{
    connectDevice();
    click("pushButtonStartRecv");
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    click("pushButtonClearCalib");

    EXPECT_EQ(view(), "Clear Success");
    EXPECT_EQ(log().mid(1), (QStringList{"Start Receive", "Stop Receive"}));
    EXPECT_FALSE(find<QAbstractButton>("pushButtonStartRecv")->isChecked());
    EXPECT_EQ(find<QAbstractButton>("pushButtonStartRecv")->text(), "Start Recv");
    const std::vector<std::string> calls = device().calls();
    EXPECT_EQ(
        std::vector<std::string>(calls.end() - 6, calls.end()),
        (std::vector<std::string>{"write_imu1_calibration_data", "write_imu2_calibration_data",
                                  "write_mag_calibration_data", "read_imu1_calibration_data",
                                  "read_imu2_calibration_data", "read_mag_calibration_data"}))
        << "the sets are read back";
    const IMUserial::imu_calibration_data neutral = IMUserial::neutralImuSet();
    const IMUserial::mag_calibration_data neutralMag = IMUserial::neutralMagSet();
    ASSERT_EQ(device().imuSetsWritten().size(), 2u);
    for (const auto &set : device().imuSetsWritten())
        EXPECT_EQ(0, std::memcmp(&set, &neutral, sizeof set));
    ASSERT_EQ(device().magSetsWritten().size(), 1u);
    EXPECT_EQ(0, std::memcmp(&device().magSetsWritten()[0], &neutralMag, sizeof neutralMag));
}

TEST_F(Calibration, ClearFailsUnlessEveryWriteIsAcceptedAndReadsBackNeutral)
{
    IMUserial::imu_calibration_data calibrated = IMUserial::neutralImuSet();
    calibrated.gyr_bias[0] = 0.35f;
    const auto clear = [&](const char *refusedWrite, bool writesIgnored) {
        device().setCalibration(calibrated, calibrated, IMUserial::neutralMagSet());
        for (const char *write : {"write_imu1_calibration_data", "write_imu2_calibration_data",
                                  "write_mag_calibration_data"})
            device().setResult(write, std::string(write) != refusedWrite);
        device().setWritesIgnored(writesIgnored);
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        click("pushButtonClearCalib");
        return view();
    };
    connectDevice();
    EXPECT_EQ(clear("write_imu2_calibration_data", false), "Clear FAIL") << "a write refused";
    EXPECT_EQ(clear("", true), "Clear FAIL") << "accepted but not stored";
    EXPECT_EQ(clear("", false), "Clear Success");
}
