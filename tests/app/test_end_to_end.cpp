// The window with the real device library against a running imu-sim.
#include "calibrationtext.h"
#include "end_to_end_fixture.h"
#include "filedialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
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
    EXPECT_EQ(calibrationView(), calibrationtext::readout(calibrationtext::neutralImuSet(),
                                                          calibrationtext::neutralImuSet(),
                                                          calibrationtext::neutralMagSet()));

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
        filedialogs::replace({}, {});
        EndToEnd::TearDown();
    }

    // A minimal application for 0x08020000: stack pointer in SRAM, reset
    // vector in flash, and the version marker the module reports from.
    QString writeApplicationImage(const char version[3])
    {
        QByteArray image(2048, char(0xFF));
        const auto putWord = [&](int offset, quint32 value) {
            for (int i = 0; i < 4; ++i)
                image[offset + i] = char(value >> (8 * i));
        };
        putWord(0, 0x20020000);
        putWord(4, 0x08020201);
        image.replace(0x30, 11, QByteArray("IMUFWVER") + QByteArray(version, 3));
        const QString path = programDir.filePath("new firmware.bin");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(image);
        return path;
    }

    bool portPublished() const
    {
        return QFile::exists(QString::fromStdString(simulator->portFile()));
    }
};

TEST_F(EndToEndFirmware, JumpFlashABinLeaveAndReadTheNewVersion)
{
    connectToSimulator();
    click("pushButton_jumpToDfu");
    ASSERT_TRUE(waitUntil([&] { return log().size() == 3; }));
    EXPECT_EQ(log().mid(1), (QStringList{"imu DisConnect", "Jump to DFU done"}));
    EXPECT_FALSE(portPublished());

    const char version[3] = {2, 0, 1};
    const QString image = writeApplicationImage(version);
    filedialogs::replace([&](QWidget *, const QString &, const QString &) { return image; }, {});
    MessageBoxAnswerer answerer;
    click("pushButtonUpgrade");
    EXPECT_EQ(answerer.texts(), QStringList{"DFU Success!"});

    ASSERT_TRUE(waitUntil([&] { return portPublished(); })) << "back in the application";
    click("pushButtonSerialConnect");
    click("pushButton_version");
    EXPECT_EQ(readout("lineEdit_version"), "2.0.1");
}

TEST_F(EndToEndFirmware, PackingWritesADfuFileTheSuffixCheckerAccepts)
{
    const char version[3] = {1, 0, 0};
    const QString input = writeApplicationImage(version);
    const QString output = programDir.filePath("packed");
    filedialogs::replace([&](QWidget *, const QString &, const QString &) { return input; },
                         [&](QWidget *, const QString &, const QString &) { return output; });
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
