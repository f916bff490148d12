// SPDX-License-Identifier: GPL-3.0-or-later
// What the window reports when the module refuses a command, never answers it,
// or acknowledges it without doing it; and a module that is unplugged and
// plugged in again. Each row runs against its own simulator.
#include "calibration/calibration_text.h"
#include "end_to_end_fixture.h"

#include <QComboBox>
#include <QLineEdit>

#include <qcustomplot.h>

#include <optional>
#include <ostream>
#include <utility>

namespace {

const QString transmitErrorBox = "Transmit ERROR";
const QString transmitErrorLine = "Transmite ERROR";
const QString writeSnQuestion = "Do you want to Write SN";
const QString clearQuestion = "Do you want to\"ClearCalibationData? \"";
const QString startGyrBiasQuestion = "Do you want to\"startGyrBiasCalibration? \"";
const QString stopGyrBiasQuestion = "Do you want to\"StopGyrBiasCalib? \"";
const QString recordOffsetQuestion = "Do you want to\"RecordQuaternionOffset? \"";
const QString resetOffsetQuestion = "Do you want to\"ResetQuaternionOffset? \"";
const QString unreadSets = calibration::readout(std::nullopt, std::nullopt, std::nullopt);
// A gyroscope calibration leaves sets that differ from the cleared ones, so
// that a clear that stored nothing shows in the read-back.
const std::vector<const char *> calibrateThenClear = {
    "pushButtonStartGyrBiasCalib", "pushButtonStopGyrBiasCalib", "pushButtonClearCalib"};
const QStringList calibrated = {"Start GyrBias Calibration", "Stop Gyr Bias Calibration"};
const QString staleVersion = "stale";
const QString typedSn = "ABC123XYZ";

// A stream sample in the default message display mode.
const QRegularExpression sampleLine(R"(^AgnleX: )");

// One command scenario against a simulator started with `faults`.
struct Row
{
    const char *name;
    std::vector<std::string> faults;
    std::vector<const char *> clicks; // in turn; Yes to every question
    QStringList boxes;                // texts of the message boxes shown, in order
    // Lines logged after connecting, without stream samples and without the
    // time-out reports (one per "Transmit ERROR" box), whose place among the
    // window's own lines the library's port thread decides.
    QStringList log;
    // What widgets show afterwards; a checkable button as its text and
    // "[x]" or "[ ]".
    std::vector<std::pair<const char *, QString>> shown;
    bool samplesFlow = false; // stream samples keep arriving afterwards
};

void PrintTo(const Row &row, std::ostream *out)
{
    *out << row.name;
}

std::string rowName(const ::testing::TestParamInfo<Row> &info)
{
    return info.param.name;
}

// The text a widget shows; a checkable button's also "[x]" or "[ ]".
QString shownText(QWidget *widget)
{
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    if (auto *view = qobject_cast<QPlainTextEdit *>(widget))
        return view->toPlainText();
    auto *button = qobject_cast<QAbstractButton *>(widget);
    return button->text() + (button->isChecked() ? " [x]" : " [ ]");
}

} // namespace

class Outcomes : public EndToEnd, public ::testing::WithParamInterface<Row>
{
protected:
    std::vector<std::string> simulatorArguments() const override { return GetParam().faults; }

    // Connects, clicks the row's buttons and checks everything it expects.
    // Waits for what may come late: boxes for time-outs, a bootloader watch.
    void runRow(int patienceMs = 10000)
    {
        const Row &row = GetParam();
        ASSERT_NO_FATAL_FAILURE(connectToSimulator());
        // A box without a Yes button, such as "Transmit ERROR", is escaped.
        MessageBoxAnswerer answerer(
            QList<QMessageBox::StandardButton>(row.boxes.size(), QMessageBox::Yes));
        for (const char *button : row.clicks)
            click(button);
        EXPECT_TRUE(waitUntil(
            [&] {
                return answerer.seen().size() >= row.boxes.size() &&
                       commandLines().size() >= row.log.size();
            },
            patienceMs));
        EXPECT_EQ(answerer.texts(), row.boxes);
        EXPECT_EQ(commandLines(), row.log);
        EXPECT_EQ(log().count(transmitErrorLine), row.boxes.count(transmitErrorBox));
        for (const auto &[widget, text] : row.shown)
            EXPECT_EQ(shownBy(widget), text) << widget;
        if (row.samplesFlow) {
            const auto samples = [&] { return log().filter(sampleLine).size(); };
            const qsizetype before = samples();
            EXPECT_TRUE(waitUntil([&] { return samples() > before; }));
        }
    }

    QStringList commandLines()
    {
        QStringList lines = log().mid(1);
        lines.removeAll(transmitErrorLine);
        lines.removeIf([](const QString &line) { return sampleLine.match(line).hasMatch(); });
        return lines;
    }

    QString shownBy(const char *name) { return shownText(find<QWidget>(name)); }
};

// Version, get and set serial number: a read that delivered nothing empties
// its field, a write is only reported once read back.
class IdentityOutcomes : public Outcomes
{
protected:
    void SetUp() override
    {
        Outcomes::SetUp();
        if (HasFatalFailure())
            return;
        find<QLineEdit>("lineEdit_version")->setText(staleVersion);
        find<QLineEdit>("lineEdit_SN")->setText(typedSn);
    }
};

TEST_P(IdentityOutcomes, ReportWhatTheModuleDelivered)
{
    runRow();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, IdentityOutcomes,
    ::testing::Values(Row{"VersionRefused",
                          {"--fail", "version"},
                          {"pushButton_version"},
                          {},
                          {"Version FAIL"},
                          {{"lineEdit_version", ""}}},
                      Row{"VersionUnanswered",
                          {"--withhold-reply", "version"},
                          {"pushButton_version"},
                          {transmitErrorBox},
                          {"Version FAIL"},
                          {{"lineEdit_version", ""}}},
                      Row{"SnRefused",
                          {"--fail", "get-sn"},
                          {"pushButton_getSN"},
                          {},
                          {"Get SN FAIL"},
                          {{"lineEdit_SN", ""}, {"lineEdit_version", staleVersion}}},
                      Row{"SnUnanswered",
                          {"--withhold-reply", "get-sn"},
                          {"pushButton_getSN"},
                          {transmitErrorBox},
                          {"Get SN FAIL"},
                          {{"lineEdit_SN", ""}}},
                      Row{"SetSnStored",
                          {},
                          {"pushButton_setSN", "pushButton_getSN"},
                          {writeSnQuestion},
                          {"Set SN: " + typedSn, "Get SN: " + typedSn},
                          {}},
                      Row{"SetSnRefused",
                          {"--fail", "set-sn"},
                          {"pushButton_setSN"},
                          {writeSnQuestion},
                          {"Set SN FAIL"},
                          {{"lineEdit_SN", typedSn}}},
                      // Stored but never confirmed: the window reports the
                      // failure it saw, and the number read later is the new one.
                      Row{"SetSnUnanswered",
                          {"--withhold-reply", "set-sn"},
                          {"pushButton_setSN", "pushButton_getSN"},
                          {writeSnQuestion, transmitErrorBox},
                          {"Set SN FAIL", "Get SN: " + typedSn},
                          {}},
                      // Accepted but not stored: the read-back finds the old number.
                      Row{"SetSnNotStored",
                          {"--pretend", "set-sn"},
                          {"pushButton_setSN", "pushButton_getSN"},
                          {writeSnQuestion},
                          {"Set SN FAIL", "Get SN: ORV000001"},
                          {}}),
    rowName);

// The stored sets and the calibration commands. Reading or clearing stops the
// stream first, which logs "Stop Receive".
class CalibrationOutcomes : public Outcomes
{
};

TEST_P(CalibrationOutcomes, ReportWhatTheModuleDid)
{
    runRow();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CalibrationOutcomes,
    ::testing::Values(Row{"ReadRefused",
                          {"--fail", "read-calibration"},
                          {"pushButtonGetCalibrationData"},
                          {},
                          {"Stop Receive"},
                          {{"plainTextEdit_calibration", unreadSets}}},
                      Row{"ReadUnanswered",
                          {"--withhold-reply", "read-calibration"},
                          {"pushButtonGetCalibrationData"},
                          {transmitErrorBox, transmitErrorBox, transmitErrorBox},
                          {"Stop Receive"},
                          {{"plainTextEdit_calibration", unreadSets}}},
                      Row{"ClearStored",
                          {},
                          calibrateThenClear,
                          {startGyrBiasQuestion, stopGyrBiasQuestion, clearQuestion},
                          calibrated + QStringList{"Stop Receive"},
                          {{"plainTextEdit_calibration", "Clear Success"}}},
                      Row{"ClearRefused",
                          {"--fail", "write-calibration"},
                          {"pushButtonClearCalib"},
                          {clearQuestion},
                          {"Stop Receive"},
                          {{"plainTextEdit_calibration", "Clear FAIL"}}},
                      Row{"ClearUnanswered",
                          {"--withhold-reply", "write-calibration"},
                          {"pushButtonClearCalib"},
                          {clearQuestion, transmitErrorBox, transmitErrorBox, transmitErrorBox},
                          {"Stop Receive"},
                          {{"plainTextEdit_calibration", "Clear FAIL"}}},
                      Row{"ClearNotStored",
                          {"--pretend", "write-calibration"},
                          calibrateThenClear,
                          {startGyrBiasQuestion, stopGyrBiasQuestion, clearQuestion},
                          calibrated + QStringList{"Stop Receive"},
                          {{"plainTextEdit_calibration", "Clear FAIL"}}},
                      Row{"EnterModeRefused",
                          {"--fail", "enter-calibration"},
                          {"pushButtonEnterCalibMode"},
                          {},
                          {"Enter Calibration Mode FAIL"},
                          {}},
                      Row{"ExitModeRefused",
                          {"--fail", "exit-calibration"},
                          {"pushButtonExitCalibMode"},
                          {},
                          {"Exit Calibration Mode FAIL"},
                          {}},
                      Row{"StartGyrBiasRefused",
                          {"--fail", "start-gyr-bias"},
                          {"pushButtonStartGyrBiasCalib"},
                          {startGyrBiasQuestion},
                          {"ERROR: Cannot Enter GyrBias Calibration"},
                          {}},
                      Row{"StopGyrBiasRefused",
                          {"--fail", "stop-gyr-bias"},
                          {"pushButtonStopGyrBiasCalib"},
                          {stopGyrBiasQuestion},
                          {"FAIL to Stop Gyr Bias Calibration"},
                          {}},
                      Row{"RecordOffsetRefused",
                          {"--fail", "record-quat-offset"},
                          {"pushButtonRecordQuaternionOffset"},
                          {recordOffsetQuestion},
                          {"Record Quaternion Offset FAIL"},
                          {}},
                      Row{"ResetOffsetRefused",
                          {"--fail", "reset-quat-offset"},
                          {"pushButtonResetQuaternionOffset"},
                          {resetOffsetQuestion},
                          {"Reset Quaternion Offset FAIL"},
                          {}}),
    rowName);

// Start and stop of the stream: the button shows the stream as the module
// confirmed it.
class StreamOutcomes : public Outcomes
{
};

TEST_P(StreamOutcomes, TheButtonShowsTheConfirmedStream)
{
    runRow();
}

INSTANTIATE_TEST_SUITE_P(Faults, StreamOutcomes,
                         ::testing::Values(Row{"StartRefused",
                                               {"--fail", "start"},
                                               {"pushButtonStartRecv"},
                                               {},
                                               {"Start Receive FAIL"},
                                               {{"pushButtonStartRecv", "Start Recv [ ]"}}},
                                           Row{"StopRefused",
                                               {"--fail", "stop"},
                                               {"pushButtonStartRecv", "pushButtonStartRecv"},
                                               {},
                                               {"Start Receive", "Stop Receive FAIL"},
                                               {{"pushButtonStartRecv", "Stop Recv [x]"}},
                                               true},
                                           // The module started but its answer never came:
                                           // the button shows the stream off while its
                                           // samples arrive.
                                           Row{"StartUnanswered",
                                               {"--withhold-reply", "start"},
                                               {"pushButtonStartRecv"},
                                               {transmitErrorBox},
                                               {"Start Receive FAIL"},
                                               {{"pushButtonStartRecv", "Start Recv [ ]"}},
                                               true}),
                         rowName);

// Jump to DFU is done once the flasher lists the bootloader; a module still
// in its application is connected again.
class DfuOutcomes : public Outcomes
{
protected:
    void SetUp() override
    {
        Outcomes::SetUp();
        putFirmwareProgramsOnPath();
    }
};

TEST_P(DfuOutcomes, JumpIsDoneOnlyWhenTheBootloaderAppears)
{
    // The bootloader watch gives up after six seconds.
    runRow(20000);
}

INSTANTIATE_TEST_SUITE_P(Faults, DfuOutcomes,
                         ::testing::Values(Row{"Jumped",
                                               {},
                                               {"pushButton_jumpToDfu"},
                                               {},
                                               {"imu DisConnect", "Jump to DFU done"},
                                               {{"pushButtonSerialConnect", "Connect [ ]"}}},
                                           Row{"JumpRefused",
                                               {"--fail", "jump-dfu"},
                                               {"pushButton_jumpToDfu"},
                                               {},
                                               {"Jump to DFU FAIL"},
                                               {{"pushButtonSerialConnect", "Disconnect [x]"}}},
                                           // Acknowledged, but the module stays in its application.
                                           Row{"JumpNotMade",
                                               {"--pretend", "jump-dfu"},
                                               {"pushButton_jumpToDfu"},
                                               {},
                                               {"imu DisConnect", "Jump to DFU FAIL",
                                                "imu Connect SUCCESS"},
                                               {{"pushButtonSerialConnect", "Disconnect [x]"}}},
                                           // The module jumps without answering.
                                           Row{"JumpedUnanswered",
                                               {"--withhold-reply", "jump-dfu"},
                                               {"pushButton_jumpToDfu"},
                                               {},
                                               {"imu DisConnect", "Jump to DFU done"},
                                               {{"pushButtonSerialConnect", "Connect [ ]"}}}),
                         rowName);

class UnplugAndReturn : public EndToEnd
{
protected:
    std::vector<std::string> simulatorArguments() const override { return {"--vanish-after", "1"}; }

    QString shownBy(const char *button) { return shownText(find<QWidget>(button)); }
};

TEST_F(UnplugAndReturn, TheLinkComesBackWithItsRateStreamAndPlot)
{
    connectToSimulator();
    find<QComboBox>("comboBoxDataRate")->setCurrentText("50");
    click("pushButtonStartRecv");
    click("pushButtonStartPlot");
    {
        MessageBoxAnswerer answerer;
        ASSERT_TRUE(waitUntil([&] { return answerer.seen().size() == 1; }));
        EXPECT_EQ(answerer.texts(), QStringList{transmitErrorBox});
    }
    EXPECT_EQ(shownBy("pushButtonSerialConnect"), "Connect [ ]");
    EXPECT_EQ(shownBy("pushButtonStartRecv"), "Start Recv [ ]");
    EXPECT_EQ(shownBy("pushButtonStartPlot"), "Start Plot [ ]");

    // Plugged in again: a new simulator publishes its port where the first did.
    ASSERT_TRUE(simulator->waitForExit(std::chrono::seconds(10)));
    imusim::testing::SimulatorProcess returned({"--dir", simulator->directory()});
    ASSERT_TRUE(returned.started());
    ASSERT_TRUE(waitUntil([&] { return log().contains("imu Reconnect SUCCESS"); }, 20000));
    EXPECT_EQ(shownBy("pushButtonSerialConnect"), "Disconnect [x]");
    EXPECT_EQ(shownBy("pushButtonStartRecv"), "Stop Recv [x]");
    EXPECT_EQ(shownBy("pushButtonStartPlot"), "Stop Plot [x]");

    // The rate over the time 100 lines take, as when the stream was started. A
    // module starts at 100 a second: 50 shows the chosen rate was set again.
    const int before = log().size();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitUntil([&] { return log().size() >= before + 100; }, 20000));
    const double rate = (log().size() - before) * 1000.0 / clock.elapsed();
    EXPECT_GT(rate, 30);
    EXPECT_LT(rate, 75);
    const auto points = [&] { return find<QCustomPlot>("widgetChart")->graph(0)->data()->size(); };
    const int plotted = points();
    EXPECT_TRUE(waitUntil([&] { return points() > plotted; })) << "the plot goes on";

    click("pushButtonSerialConnect");
    EXPECT_EQ(log().last(), "imu DisConnect");
}
