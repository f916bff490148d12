// SPDX-License-Identifier: GPL-3.0-or-later
// The window with the real device library against a running imu-sim.
#include "application_image.h"
#include "calibration/calibration_text.h"
#include "dfu_test_support.h"
#include "end_to_end_fixture.h"
#include "firmware/firmware_upgrade.h"
#include "memory_layout.h"
#include "neutral_calibration.h"
#include "prompts/file_dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QSet>
#include <QStandardPaths>

#include <qcustomplot.h>

TEST_F(EndToEnd, StreamsLinesAtTheChosenRateChartsAndDisconnects)
{
    connectToSimulator();
    find<QComboBox>("comboBoxDataRate")->setCurrentText("50");
    click("pushButtonStartRecv");
    // The rate over the time 100 lines take once the stream flows: a 50 Hz
    // stream is told apart from the 100 Hz default and from 10 Hz, and a
    // stall of the loaded machine shifts only the ends of the measurement.
    ASSERT_TRUE(waitUntil([&] { return log().size() > 1; }));
    const int before = log().size();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitUntil([&] { return log().size() >= before + 100; }, 20000));
    const QStringList lines = log();
    const double rate = (lines.size() - before) * 1000.0 / clock.elapsed();
    EXPECT_GT(rate, 30);
    EXPECT_LT(rate, 75);
    static const QRegularExpression angleLine(
        R"(^AgnleX: -?\d+\.\d\d\s+ AgnleY: -?\d+\.\d\d\s+ AgnleZ: -?\d+\.\d\d\s*$)");
    EXPECT_TRUE(angleLine.match(lines.last()).hasMatch()) << lines.last().toStdString();

    click("pushButtonStartPlot");
    const QString angleBefore = readout("lineEdit_angle_x");
    EXPECT_TRUE(
        waitUntil([&] { return find<QCustomPlot>("widgetChart")->graph(0)->data()->size() > 15; }));
    EXPECT_TRUE(waitUntil([&] { return readout("lineEdit_angle_x") != angleBefore; }))
        << "the read-outs follow the body";

    click("pushButtonSerialConnect");
    EXPECT_EQ(log().last(), "imu DisConnect");
    const int atDisconnect = log().size();
    // The stream ran at 50 lines a second: 300 ms would bring about 15.
    QTest::qWait(300);
    EXPECT_EQ(log().size(), atDisconnect) << "nothing arrives after disconnecting";
}

TEST_F(EndToEnd, IdentityIsReadAndTheSerialNumberWritten)
{
    connectToSimulator();
    click("pushButton_version");
    EXPECT_EQ(readout("lineEdit_version"), "1.4.2");
    find<QLineEdit>("lineEdit_SN")->setText("ABC123XYZ");
    confirm("pushButton_setSN");
    find<QLineEdit>("lineEdit_SN")->clear();
    click("pushButton_getSN");
    EXPECT_EQ(readout("lineEdit_SN"), "ABC123XYZ");
    EXPECT_EQ(log().mid(1),
              (QStringList{"Version: 1.4.2", "Set SN: ABC123XYZ", "Get SN: ABC123XYZ"}));
}

class EndToEndCalibration : public EndToEnd
{
protected:
    std::vector<std::string> simulatorArguments() const override { return {"--still"}; }
};

TEST_F(EndToEndCalibration, ClearCalibrateAndReadBackTheMeasuredBias)
{
    connectToSimulator();
    confirm("pushButtonClearCalib");
    EXPECT_EQ(calibrationView(), "Clear Success");
    click("pushButtonGetCalibrationData");
    EXPECT_EQ(calibrationView(),
              calibration::readout(IMUserial::neutralImuSet(), IMUserial::neutralImuSet(),
                                   IMUserial::neutralMagSet()));

    confirm("pushButtonStartGyrBiasCalib");
    // The module averages its gyroscopes for as long as the calibration runs;
    // this is the operator holding it still, not a wait for an event.
    QTest::qWait(1200);
    confirm("pushButtonStopGyrBiasCalib");
    click("pushButtonGetCalibrationData");
    const QStringList bias = calibrationView().split('\n').value(1).mid(11).split("  ");
    ASSERT_EQ(bias.size(), 3) << calibrationView().toStdString();
    const double trueBias[3] = {0.35, -0.22, 0.12};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(bias[i].toDouble(), trueBias[i], 0.03) << i;
    EXPECT_TRUE(log().contains("Start GyrBias Calibration"));
    EXPECT_TRUE(log().contains("Stop Gyr Bias Calibration"));
}

TEST_F(EndToEndCalibration, RecordingTheOffsetZeroesTheAnglesAndCalibrationModeStreams)
{
    connectToSimulator();
    confirm("pushButtonRecordQuaternionOffset");
    click("pushButtonStartRecv");
    static const QRegularExpression sampleLine(R"(^AgnleX: (\S+)\s+AgnleY: (\S+)\s+AgnleZ: (\S+))");
    ASSERT_TRUE(waitUntil([&] { return log().filter(sampleLine).size() >= 5; }));
    for (const QString &line : log().filter(sampleLine)) {
        const QRegularExpressionMatch angles = sampleLine.match(line);
        for (int axis = 1; axis <= 3; ++axis)
            EXPECT_LT(std::abs(angles.captured(axis).toDouble()), 1.0) << line.toStdString();
    }
    ASSERT_TRUE(waitUntil([&] { return !readout("lineEdit_angle_x").isEmpty(); }));
    for (const char *edit : {"lineEdit_angle_x", "lineEdit_angle_y", "lineEdit_angle_z"})
        EXPECT_LT(std::abs(readout(edit).toDouble()), 1.0) << edit;

    static const QRegularExpression calibrationLine(R"(^\[angle1\] x: .* \[angle2\] x: )");
    click("pushButtonEnterCalibMode");
    EXPECT_TRUE(waitUntil([&] { return !log().filter(calibrationLine).isEmpty(); }));
    click("pushButtonExitCalibMode");
    const QStringList lines = log();
    EXPECT_TRUE(lines.contains("Enter Calibration Mode SUCCESS"));
    EXPECT_TRUE(lines.contains("Exit Calibration Mode SUCCESS"));
}

class EndToEndUnplugged : public EndToEnd
{
protected:
    std::vector<std::string> simulatorArguments() const override { return {"--vanish-after", "1"}; }
};

TEST_F(EndToEndUnplugged, AVanishedModuleIsReportedOnce)
{
    connectToSimulator();
    click("pushButtonStartRecv");
    MessageBoxAnswerer answerer;
    ASSERT_TRUE(waitUntil([&] { return answerer.seen().size() == 1; }));
    EXPECT_EQ(answerer.seen()[0].text, "Transmit ERROR");
    // A second report would follow the first within a few milliseconds.
    QTest::qWait(500);
    EXPECT_EQ(answerer.seen().size(), 1);
    EXPECT_EQ(log().count("Transmite ERROR"), 1);
    find<QAbstractButton>("pushButtonStartRecv")->setChecked(false);
    click("pushButtonStartRecv");
    EXPECT_EQ(log().last(), "Device is not open");
}

// The whole upgrade as an operator does it: into the bootloader, flash a .bin
// through the converter and the flasher, back in the application, and the
// version the new image carries read back.
class EndToEndFirmware : public EndToEnd
{
protected:
    void SetUp() override
    {
        EndToEnd::SetUp();
        putFirmwareProgramsOnPath();
    }

    void TearDown() override
    {
        prompts::replaceFileDialogs({}, {});
        EndToEnd::TearDown();
    }

    // An application for the module's application address: a valid vector
    // table and the version marker the module reports from.
    QString writeApplicationImage(const dfusim::FirmwareVersion &version, int size = 2048)
    {
        return writeImage("new firmware.bin",
                          dfusim::makeApplicationImage(dfu::kApplicationAddress, version, size));
    }

    QString writeImage(const QString &name, const std::vector<std::uint8_t> &bytes)
    {
        const QString path = programDir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        return path;
    }

    // An application built for the start of flash, where the bootloader lives.
    QString writeHexForTheStartOfFlash()
    {
        const auto image = dfusim::makeApplicationImage(0x08000000, {9, 9, 9}, 64);
        std::string hex = dfutest::intelHexRecord(4, 0, {0x08, 0x00}) + "\n";
        for (std::size_t at = 0; at < image.size(); at += 16)
            hex += dfutest::intelHexRecord(0, unsigned(at),
                                           {image.begin() + std::ptrdiff_t(at),
                                            image.begin() + std::ptrdiff_t(at + 16)}) +
                   "\n";
        hex += ":00000001FF\n";
        return writeImage("boot.hex", {hex.begin(), hex.end()});
    }

    void leaveTheBootloader()
    {
        MessageBoxAnswerer answerer;
        click("pushButton_leaveDfu");
        EXPECT_TRUE(waitUntil([&] { return !controller()->isBusy(); }));
    }

    void jumpToTheBootloader()
    {
        connectToSimulator();
        click("pushButton_jumpToDfu");
        ASSERT_TRUE(waitUntil([&] { return log().size() == 3; }));
        ASSERT_EQ(log().mid(1), (QStringList{"imu DisConnect", "Jump to DFU done"}));
        ASSERT_FALSE(portPublished());
    }

    // Chooses the image, clicks Upgrade and waits for the run's end; returns
    // the texts of the boxes shown.
    QStringList upgradeWith(const QString &image, int waitMs = 10000)
    {
        prompts::replaceFileDialogs([=](const prompts::FileQuestion &) { return image; }, {});
        MessageBoxAnswerer answerer;
        click("pushButtonUpgrade");
        EXPECT_TRUE(waitUntil([&] { return !controller()->isBusy(); }, waitMs));
        return answerer.texts();
    }

    void readTheVersionBack(const QString &expected)
    {
        ASSERT_TRUE(waitUntil([&] { return portPublished(); })) << "back in the application";
        click("pushButtonSerialConnect");
        click("pushButton_version");
        EXPECT_EQ(readout("lineEdit_version"), expected);
    }

    firmware::FirmwareUpgrade *controller()
    {
        return window->findChild<firmware::FirmwareUpgrade *>();
    }

    bool portPublished() const
    {
        return QFile::exists(QString::fromStdString(simulator->portFile()));
    }
};

TEST_F(EndToEndFirmware, JumpFlashABinLeaveAndReadTheNewVersion)
{
    jumpToTheBootloader();
    EXPECT_EQ(upgradeWith(writeApplicationImage({2, 0, 1})), QStringList{"DFU Success!"});
    readTheVersionBack("2.0.1");
}

TEST_F(EndToEndFirmware, AnImageThatCannotBeTheApplicationIsRefusedAndTheModuleKeepsItsOwn)
{
    jumpToTheBootloader();
    EXPECT_EQ(upgradeWith(writeHexForTheStartOfFlash()), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(),
              "DFU Fail: image starts at 0x08000000, the application area starts at 0x08020000");
    leaveTheBootloader();
    readTheVersionBack("1.4.2");

    click("pushButton_jumpToDfu");
    ASSERT_TRUE(waitUntil([&] { return !portPublished(); }));
    EXPECT_EQ(upgradeWith(writeApplicationImage({2, 2, 0})), QStringList{"DFU Success!"});
    EXPECT_TRUE(log().contains("Flashing version 2.2.0")) << log().join('\n').toStdString();
    readTheVersionBack("2.2.0");
}

TEST_F(EndToEndFirmware, AnImageWithoutAVersionFlashesAndTheLogSaysSo)
{
    jumpToTheBootloader();
    const QString image = writeImage("plain.bin", dfutest::applicationBytes(4096));
    EXPECT_EQ(upgradeWith(image), QStringList{"DFU Success!"});
    EXPECT_TRUE(log().contains("Flashing an image that states no version"))
        << log().join('\n').toStdString();
}

// The module's own flash timing: erasing and writing a full application
// takes tens of seconds, far beyond the time limit of a single program run.
class EndToEndRealisticFlash : public EndToEndFirmware
{
protected:
    std::vector<std::string> simulatorArguments() const override
    {
        return {"--bootloader-timing", "stm32f4"};
    }
};

TEST_F(EndToEndRealisticFlash, AFullImageFlashesWithTheDialogAdvancingAndTheVersionReadsBack)
{
    jumpToTheBootloader();
    const QString image = writeApplicationImage({3, 1, 4}, 896 * 1024);
    auto *dialog = window->findChild<QProgressDialog *>();
    QSet<int> values;
    QSet<QString> phases;
    QObject::connect(dialog->findChild<QProgressBar *>(), &QProgressBar::valueChanged,
                     [&](int value) {
                         values << value;
                         phases << dialog->labelText().section('\n', 1);
                     });
    constexpr int severalMinutes = 300000;
    EXPECT_EQ(upgradeWith(image, severalMinutes), QStringList{"DFU Success!"});
    EXPECT_GE(values.size(), 10);
    EXPECT_TRUE(phases.contains("Erasing")) << phases.values().join('|').toStdString();
    EXPECT_TRUE(phases.contains("Writing"));
    EXPECT_TRUE(phases.contains("Verifying"));
    readTheVersionBack("3.1.4");
}

// The bootloader stops answering in the middle of the first write.
class EndToEndStalledFlash : public EndToEndFirmware
{
protected:
    std::vector<std::string> simulatorArguments() const override
    {
        return {"--bootloader-stall-at", "65536"};
    }
};

TEST_F(EndToEndStalledFlash, TheWatchdogStopsTheStalledFlashAndTheNextOneSucceeds)
{
    jumpToTheBootloader();
    // Shorter than the flasher's own wait for an answer, so the watchdog acts.
    controller()->setLimits({firmware::kDefaultTimeLimitMs, 2000, 1000});
    const QString image = writeApplicationImage({4, 0, 0}, 256 * 1024);
    EXPECT_EQ(upgradeWith(image, 30000), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: no progress for 2 s");
    EXPECT_FALSE(portPublished()) << "still in the bootloader";

    EXPECT_EQ(upgradeWith(image, 30000), QStringList{"DFU Success!"});
    readTheVersionBack("4.0.0");
}

TEST_F(EndToEndFirmware, PackingWritesADfuFileTheSuffixCheckerAccepts)
{
    const QString input = writeApplicationImage({1, 0, 0});
    const QString output = programDir.filePath("packed");
    prompts::replaceFileDialogs([&](const prompts::FileQuestion &) { return input; },
                                [&](const prompts::FileQuestion &) { return output; });
    MessageBoxAnswerer answerer;
    click("pushButton_packfile");
    EXPECT_EQ(answerer.texts(), QStringList{"文件转换完成！"});
    ASSERT_TRUE(QFile::exists(output + ".dfu"));

    const QString checker = QStandardPaths::findExecutable("dfu-suffix");
    if (checker.isEmpty())
        GTEST_SKIP() << "dfu-suffix is not installed";
    QProcess check;
    check.start(checker, {"--check", output + ".dfu"});
    ASSERT_TRUE(check.waitForFinished(10000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString();
}
