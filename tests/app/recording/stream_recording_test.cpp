// SPDX-License-Identifier: GPL-3.0-or-later
// Recording the stream through the window and exporting it with
// "to .csv...", against the scripted device library.
#include "prompts/file_dialogs.h"
#include "window_fixture.h"

#include <QAction>
#include <QProgressDialog>
#include <QPushButton>

#include <thread>

namespace {

IMUserial::sensor_data sampleNumbered(int n)
{
    IMUserial::sensor_data s{};
    s.angle = {float(n) / 3, float(-n), 0.25f};
    s.mag = {float(n) * 1e-3f, 0, 44.5f};
    s.temp = 25.125f;
    return s;
}

QStringList csvLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class RecordingWindow : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        prompts::replaceFileDialogs({}, [this](const prompts::FileQuestion &question) {
            suggested = question.suggestedPath;
            return chosenPath;
        });
        connectDevice();
    }

    void TearDown() override
    {
        prompts::replaceFileDialogs({}, {});
        WindowTest::TearDown();
    }

    // Fired from another thread, as from the library's receive thread.
    void stream(int first, int count)
    {
        std::thread([&] {
            for (int i = first; i < first + count; ++i)
                ASSERT_TRUE(device().emitSample(sampleNumbered(i)));
        }).join();
    }

    void exportCsv() { window->findChild<QAction *>("actionto_csv")->trigger(); }

    // Exports to `chosenPath` and waits until the export is over.
    void exportAndWait()
    {
        exportCsv();
        ASSERT_TRUE(waitUntil(
            [&] { return window->findChild<QProgressDialog *>("csvExportProgress") == nullptr; }));
    }

    QTemporaryDir folder;
    QString chosenPath = folder.filePath("run.csv");
    QString suggested;
};

TEST_F(RecordingWindow, EverySampleFromStartToStopIsExportedInOrderWithItsValues)
{
    stream(0, 1); // before Start Recv: not recorded
    click("pushButtonStartRecv");
    stream(1, 5000);
    IMUserial::sensor_data_calibration calibration{};
    calibration.angle2 = {1.5f, 2.5f, 3.5f};
    std::thread([&] { device().emitCalibrationSample(calibration); }).join();
    click("pushButtonClear"); // the log's Clear leaves the recording alone
    click("pushButtonStartRecv");
    ASSERT_FALSE(find<QAbstractButton>("pushButtonStartRecv")->isChecked());

    exportAndWait();
    EXPECT_EQ(log().last(), "Recording exported to " + chosenPath);
    EXPECT_TRUE(
        QRegularExpression(R"(/orvik-imu-data-\d{8}-\d{6}\.csv$)").match(suggested).hasMatch())
        << suggested.toStdString();
    const QStringList rows = csvLines(chosenPath);
    ASSERT_EQ(rows.size(), 1 + 5000);
    double previousTime = 0;
    for (int i = 0; i < 5000; ++i) {
        const QStringList fields = rows[1 + i].split(',');
        ASSERT_EQ(fields.size(), 23);
        ASSERT_EQ(fields[0].toInt(), i) << "index without a gap";
        const double time = fields[1].toDouble();
        ASSERT_GE(time, previousTime);
        previousTime = time;
        const IMUserial::sensor_data fed = sampleNumbered(1 + i);
        ASSERT_EQ(fields[2].toFloat(), fed.angle.x);
        ASSERT_EQ(fields[3].toFloat(), fed.angle.y);
        ASSERT_EQ(fields[18].toFloat(), fed.mag.x);
        ASSERT_EQ(fields[21], "25.125");
    }
    const QStringList calibrationRows = csvLines(folder.filePath("run-calibration.csv"));
    ASSERT_EQ(calibrationRows.size(), 2);
    EXPECT_TRUE(calibrationRows[1].contains(",1.5,2.5,3.5,")) << calibrationRows[1].toStdString();
}

TEST_F(RecordingWindow, ANewStartRecvBeginsANewRecordingAndALostLinkContinuesIt)
{
    click("pushButtonStartRecv");
    stream(0, 10);
    click("pushButtonStartRecv");
    stream(10, 5); // after the stop
    click("pushButtonStartRecv");
    stream(100, 3);
    MessageBoxAnswerer answerer; // the transmit error's box
    device().setPortOpens(false);
    std::thread([&] { device().unplug(); }).join();
    const auto connected = [&] {
        return find<QAbstractButton>("pushButtonSerialConnect")->isChecked();
    };
    ASSERT_TRUE(waitUntil([&] { return !connected(); }));
    device().setPortOpens(true);
    ASSERT_TRUE(waitUntil([&] { return connected() && device().isReceiving(); })) << "reconnected";
    stream(103, 2);

    exportAndWait();
    const QStringList rows = csvLines(chosenPath);
    ASSERT_EQ(rows.size(), 1 + 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(rows[1 + i].startsWith(QString::number(i) + ',')) << i;
        EXPECT_EQ(rows[1 + i].split(',')[3].toInt(), -(100 + i));
    }
}

TEST_F(RecordingWindow, NothingRecordedIsSaidPlainlyAndAsksForNoFile)
{
    MessageBoxAnswerer answerer({QMessageBox::Ok});
    exportCsv();
    ASSERT_EQ(answerer.seen().size(), 1);
    EXPECT_TRUE(answerer.seen()[0].text.startsWith("Nothing has been recorded yet."));
    EXPECT_EQ(suggested, "");
}

// A path whose folder is a regular file cannot be created, even as root.
TEST_F(RecordingWindow, AFailingWriteShowsWhyAndLeavesNoFile)
{
    QFile plain(folder.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    chosenPath = folder.filePath("plain/run.csv");
    click("pushButtonStartRecv");
    stream(0, 10);

    MessageBoxAnswerer answerer({QMessageBox::Ok});
    exportCsv();
    ASSERT_TRUE(waitUntil([&] { return answerer.seen().size() == 1; }));
    EXPECT_EQ(answerer.seen()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(answerer.seen()[0].text.startsWith("Could not save " + chosenPath + ": "));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"plain"});
}

TEST_F(RecordingWindow, CancellingTheProgressDialogLeavesNoFile)
{
    click("pushButtonStartRecv");
    std::thread([&] {
        for (int i = 0; i < 300000; ++i)
            device().emitSample(sampleNumbered(i));
    }).join();

    exportCsv();
    auto *dialog = window->findChild<QProgressDialog *>("csvExportProgress");
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton *>()->click();
    ASSERT_TRUE(waitUntil(
        [&] { return window->findChild<QProgressDialog *>("csvExportProgress") == nullptr; }));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{});
}
