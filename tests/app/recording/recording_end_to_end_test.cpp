// SPDX-License-Identifier: GPL-3.0-or-later
// A minute of the simulator at 1000 samples/s recorded through the window
// with the real device library, and exported.
#include "end_to_end_fixture.h"
#include "prompts/file_dialogs.h"
#include "recording/killed_recording.h"

#include <QAction>
#include <QProcess>
#include <QProgressDialog>

#include <qcustomplot.h>

class RecordingEndToEnd : public EndToEnd
{
protected:
    std::vector<std::string> simulatorArguments() const override { return {"--rate", "1000"}; }
};

TEST_F(RecordingEndToEnd, AMinuteAt1000HzIsExportedWithoutAGap)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("minute.csv");
    prompts::replaceFileDialogs({}, [&](const prompts::FileQuestion &) { return path; });
    connectToSimulator();
    // The chart takes every sample the receive thread sees while plotting:
    // it counts them independently of the recording.
    click("pushButtonStartPlot");
    click("pushButtonStartRecv");
    QCPGraphDataContainer &points = *find<QCustomPlot>("widgetChart")->graph(0)->data();
    ASSERT_TRUE(waitUntil([&] { return points.size() >= 60000; }, 120000));
    click("pushButtonStartRecv");
    ASSERT_EQ(log().last(), "Stop Receive");
    click("pushButtonStartPlot");

    window->findChild<QAction *>("actionto_csv")->trigger();
    ASSERT_TRUE(waitUntil(
        [&] { return window->findChild<QProgressDialog *>("csvExportProgress") == nullptr; },
        60000));
    prompts::replaceFileDialogs({}, {});

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(file.readLine().startsWith("index,time [s since "));
    int rows = 0;
    auto point = points.constBegin();
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().split(',');
        ASSERT_EQ(fields[0].toInt(), rows) << "no gap in the index";
        ASSERT_NE(point, points.constEnd());
        ASSERT_EQ(fields[2].toFloat(), float(point->value)) << "the same angle at row " << rows;
        ++point;
        ++rows;
    }
    EXPECT_EQ(rows, points.size());
    EXPECT_GE(rows, 60000);
}

// The window of a program that is killed while it records: run as a child
// of the test below, against its simulator.
class KilledWindow : public WindowHarness
{
};

TEST_F(KilledWindow, DISABLED_RecordsUntilKilled)
{
    click("pushButtonSerialConnect");
    click("pushButtonStartRecv");
    waitUntil([] { return false; }, 600000);
}

TEST_F(RecordingEndToEnd, AWindowKilledWhileRecordingOffersItsRecordingAtTheNextStart)
{
    QTemporaryDir temp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temp.path());
    QProcess killed;
    killed.setProcessEnvironment(environment);
    killed.start(QCoreApplication::applicationFilePath(),
                 {"--gtest_filter=KilledWindow.DISABLED_RecordsUntilKilled",
                  "--gtest_also_run_disabled_tests"});
    const QString spill = killed_recording::waitForSpill(temp.path(), 3000);
    ASSERT_FALSE(spill.isEmpty()) << killed.readAllStandardError().toStdString();
    const QDateTime killedAt = QDateTime::currentDateTime();
    killed.kill();
    killed.waitForFinished();
    QFile::copy(spill + "/started.txt", temp.filePath("started.txt"));

    const QString path = temp.filePath("recovered.csv");
    prompts::replaceFileDialogs({}, [&](const prompts::FileQuestion &) { return path; });
    MessageBoxAnswerer answerer({QMessageBox::Save});
    window->offerUnsavedRecordings(temp.path());
    ASSERT_EQ(answerer.seen().size(), 1);
    EXPECT_TRUE(answerer.seen()[0].text.startsWith("A recording of "));
    ASSERT_TRUE(waitUntil([&] { return !QFile::exists(spill); }, 60000)) << "exported, removed";
    prompts::replaceFileDialogs({}, {});

    const auto rows = killed_recording::readExport(path);
    EXPECT_TRUE(rows.gapFree);
    EXPECT_GT(rows.count, 2000u);
    EXPECT_LE(killed_recording::secondsLost(temp.path(), killedAt, rows.lastSeconds),
              killed_recording::kMostSecondsLost);
}
