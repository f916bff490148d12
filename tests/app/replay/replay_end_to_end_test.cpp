// SPDX-License-Identifier: GPL-3.0-or-later
// A recording of the simulator exported, opened and replayed through the
// window's views while the module goes on streaming; and files that are no
// recording, each refused with one box.
#include "end_to_end_fixture.h"
#include "live/sample_text.h"
#include "message_box_answerer.h"
#include "orientation/orientation_view.h"
#include "prompts/file_dialogs.h"
#include "recording/csv_format.h"
#include "replay/replay_clock.h"

#include <QAction>
#include <QFile>
#include <QProgressDialog>
#include <QSlider>
#include <QTableWidget>

#include <qcustomplot.h>

namespace {

// One exported row as the test reads it, independently of the tool's reader.
struct Row
{
    double seconds;
    QList<float> values; // from the angle column on
};

std::vector<Row> readRows(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    file.readLine();
    std::vector<Row> rows;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(',');
        Row row{fields[1].toDouble(), {}};
        for (qsizetype i = 2; i < fields.size(); ++i)
            row.values.append(fields[i].toFloat());
        rows.push_back(row);
    }
    return rows;
}

} // namespace

class ReplayEndToEnd : public EndToEnd
{
protected:
    void TearDown() override
    {
        prompts::replaceFileDialogs({}, {});
        EndToEnd::TearDown();
    }

    void openRecording(const QString &path)
    {
        prompts::replaceFileDialogs([path](const prompts::FileQuestion &) { return path; }, {});
        find<QAction>("actionOpen_recording")->trigger();
    }

    QCPGraphDataContainer &curve(int axis)
    {
        return *find<QCustomPlot>("widgetChart")->graph(axis)->data();
    }

    QString exportRecording(const QString &path)
    {
        prompts::replaceFileDialogs({}, [&](const prompts::FileQuestion &) { return path; });
        find<QAction>("actionto_csv")->trigger();
        EXPECT_TRUE(waitUntil(
            [&] { return window->findChild<QProgressDialog *>("csvExportProgress") == nullptr; },
            60000));
        return path;
    }
};

TEST_F(ReplayEndToEnd, AnExportedRecordingReplaysItsValuesWhileTheModuleStreams)
{
    QTemporaryDir folder;
    connectToSimulator();
    click("pushButtonStartPlot");
    click("pushButtonStartRecv");
    ASSERT_TRUE(waitUntil([&] { return curve(0).size() >= 600; }, 60000));
    click("pushButtonStartRecv");
    const QString path = exportRecording(folder.filePath("drive.csv"));
    const std::vector<Row> rows = readRows(path);
    ASSERT_GE(rows.size(), 600u);
    click("pushButtonStartRecv"); // the module streams again during the replay
    const QString liveTitle = window->windowTitle();

    openRecording(path);
    ASSERT_TRUE(waitUntil([&] { return find<QWidget>("replayTransportBar")->isVisible(); }));
    EXPECT_EQ(window->windowTitle(), liveTitle + " — drive.csv");

    const std::size_t chosen = rows.size() / 2;
    find<QSlider>("replayPosition")->setValue(int(chosen));
    const Row &row = rows[chosen];
    // Live samples keep arriving (the log shows them); the views stay on the row.
    for (int line = 0; line < 10; ++line) {
        const QString last = log().last();
        ASSERT_TRUE(waitUntil([&] { return log().last() != last; }));
    }
    EXPECT_EQ(readout("lineEdit_angle_x"), live::angleText(row.values[0]));
    EXPECT_EQ(readout("lineEdit_angle_z"), live::angleText(row.values[2]));
    // The 3D view and the parser panel draw once they are seen.
    find<QAction>("action3D_orientation")->trigger();
    find<QAction>("actionShow_parser_data")->trigger();
    const auto *view = find<orientation::OrientationView>("orientationView");
    ASSERT_TRUE(waitUntil([&] { return float(view->attitude().w) == row.values[3]; }));
    EXPECT_FLOAT_EQ(float(view->attitude().w), row.values[3]);
    EXPECT_FLOAT_EQ(float(view->attitude().z), row.values[6]);
    const auto *panel = find<QTableWidget>("parserDataPanel");
    EXPECT_EQ(panel->item(2, 3)->text(), QString::number(row.values[9], 'f', 2)) << "gyr z";
    EXPECT_EQ(find<QAbstractButton>("pushButtonSerialConnect")->text(), "Disconnect");

    // The chart's visible range holds every recorded point within it.
    find<QAction>("actionPlotter")->trigger();
    auto *chart = find<QCustomPlot>("widgetChart");
    chart->xAxis->setRange(rows[100].seconds, rows[300].seconds);
    chart->replot();
    QCPGraphDataContainer &x = curve(0);
    const auto first = x.findBegin(rows[100].seconds, false);
    for (std::size_t i = 100; i <= 300; ++i)
        ASSERT_EQ(float((first + qsizetype(i - 100))->value), rows[i].values[0]) << i;

    find<QAction>("actionClose_recording")->trigger();
    EXPECT_EQ(window->windowTitle(), liveTitle);
    EXPECT_FALSE(find<QWidget>("replayTransportBar")->isVisible());
    const int before = curve(0).size();
    EXPECT_TRUE(waitUntil([&] { return curve(0).size() > before; })) << "live again";
}

TEST_F(ReplayEndToEnd, EveryMalformedFileGivesOneBoxNamingItAndChangesNothing)
{
    QTemporaryDir folder;
    const std::string header = recording::csv::sampleHeader(QDateTime::currentDateTime());
    std::string good = header;
    recording::csv::appendRow(good, recording::SampleRecord{0, 0.0, {}, 0});
    recording::csv::appendRow(good, recording::SampleRecord{1, 0.01, {}, 0});
    struct Case
    {
        const char *file;
        QByteArray bytes;
        const char *names; // what the box must say besides the file name
    };
    const Case cases[] = {
        {"other.csv", "Time,AccX,AccY\n0.1,2,3\n", "line 1"},
        {"truncated.csv", QByteArray::fromStdString(good.substr(0, good.size() - 4)), "line 3"},
        {"header.csv", QByteArray::fromStdString("x" + good), "line 1"},
        {"garbage.csv", QByteArray("\x00\xff\x13\x37 not a table\n", 20), "line 1"},
        {"empty.csv", "", "empty"},
        {"missing.csv", {}, "cannot read"},
    };
    const QString liveTitle = window->windowTitle();
    for (const Case &c : cases) {
        const QString path = folder.filePath(c.file);
        if (QLatin1String(c.file) != QLatin1String("missing.csv")) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        MessageBoxAnswerer boxes({QMessageBox::Ok});
        openRecording(path);
        ASSERT_TRUE(waitUntil([&] { return !boxes.seen().isEmpty(); })) << c.file;
        const QString text = boxes.seen().first().text;
        EXPECT_TRUE(text.contains(c.file) && text.contains(c.names)) << c.file << ": " << text.toStdString();
        EXPECT_EQ(window->windowTitle(), liveTitle) << c.file;
        EXPECT_FALSE(find<QWidget>("replayTransportBar")->isVisible()) << c.file;
    }
}
