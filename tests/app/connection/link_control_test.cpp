// SPDX-License-Identifier: GPL-3.0-or-later
// Connection and stream controls, sample lines and read-outs, and the chart,
// against the scripted device library.
#include "connection/reconnector.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <qcustomplot.h>

#include <thread>

namespace {

IMUserial::sensor_data sampleWithAngles(float x, float y, float z)
{
    IMUserial::sensor_data s{};
    s.angle = {x, y, z};
    s.gyr = {10 * x, 10 * y, 10 * z};
    return s;
}

} // namespace

class Live : public WindowTest
{
protected:
    QCustomPlot *chart() { return find<QCustomPlot>("widgetChart"); }
    QString text(const char *widget) { return find<QAbstractButton>(widget)->text(); }
    bool checked(const char *widget) { return find<QAbstractButton>(widget)->isChecked(); }

    // Samples come from another thread, as from the library's receive thread.
    void streamFromDeviceThread(const std::vector<IMUserial::sensor_data> &samples)
    {
        std::thread([&] {
            for (const auto &s : samples)
                ASSERT_TRUE(device().emitSample(s));
        }).join();
    }

    void startPlot()
    {
        click("pushButtonStartPlot");
        ASSERT_TRUE(checked("pushButtonStartPlot"));
    }

    int pointCount() { return chart()->graph(0)->data()->size(); }
};

TEST_F(Live, ConnectOpensStartsReceptionSendsTheRateAndBlinks)
{
    connectDevice();
    EXPECT_EQ(device().calls(),
              (std::vector<std::string>{"initPort(0)", "startRecv", "set_data_rate"}));
    EXPECT_EQ(device().ratesSent(), std::vector<IMUserial::DATARATE>{IMUserial::DATARATE_100HZ});
    EXPECT_EQ(text("pushButtonSerialConnect"), "Disconnect");
    EXPECT_TRUE(checked("pushButtonSerialConnect"));
    EXPECT_EQ(log(), QStringList{"imu Connect SUCCESS"});
    EXPECT_FALSE(device().wasCalled("start_data_ransmission")) << "connecting starts no stream";

    auto *indicator = find<QRadioButton>("radioButtonDeviceUpdate");
    ASSERT_TRUE(waitUntil([&] { return indicator->isChecked(); }));
    ASSERT_TRUE(waitUntil([&] { return !indicator->isChecked(); })) << "blinks off again";

    streamFromDeviceThread({sampleWithAngles(1.5f, -20.25f, 100)});
    ASSERT_TRUE(waitUntil([&] { return find<QLineEdit>("lineEdit_angle_z")->text() == "100.00"; }));
    EXPECT_EQ(find<QLineEdit>("lineEdit_angle_x")->text(), "1.50");
    EXPECT_EQ(find<QLineEdit>("lineEdit_angle_y")->text(), "-20.25");
}

TEST_F(Live, AFailedConnectStaysClosedAndStill)
{
    device().setPortOpens(false);
    click("pushButtonSerialConnect");
    EXPECT_EQ(log(), QStringList{"imu Connect Fail"});
    EXPECT_FALSE(checked("pushButtonSerialConnect"));
    EXPECT_EQ(text("pushButtonSerialConnect"), "Connect");
    EXPECT_FALSE(device().wasCalled("startRecv"));
    // The indicator blinks every 500 ms while connected.
    QTest::qWait(600);
    EXPECT_FALSE(checked("radioButtonDeviceUpdate"));
}

TEST_F(Live, TheRateIsRememberedWhileClosedAndSentAtOnceWhileOpen)
{
    auto *rate = find<QComboBox>("comboBoxDataRate");
    rate->setCurrentText("50");
    EXPECT_TRUE(device().ratesSent().empty());
    connectDevice();
    rate->setCurrentText("10");
    rate->lineEdit()->selectAll();
    QTest::keyClicks(rate->lineEdit(), "123");
    QTest::keyClick(rate->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(rate->count(), 6) << "typed text is not added as an item";
    const std::vector<IMUserial::DATARATE> sent = device().ratesSent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], IMUserial::DATARATE_50HZ);
    EXPECT_EQ(sent[1], IMUserial::DATARATE_10HZ);
    EXPECT_EQ(sent.back(), IMUserial::DATARATE_100HZ) << "unknown text selects code 4";
    EXPECT_TRUE(log().filter("rate", Qt::CaseInsensitive).isEmpty()) << "nothing is logged";
}

TEST_F(Live, StartRecvNeedsAnOpenDeviceAndTogglesTheStream)
{
    click("pushButtonStartRecv");
    EXPECT_EQ(log(), QStringList{"Device is not open"});
    EXPECT_TRUE(checked("pushButtonStartRecv")) << "keeps the state the click gave it";
    EXPECT_EQ(text("pushButtonStartRecv"), "Start Recv");
    EXPECT_FALSE(device().wasCalled("start_data_ransmission"));

    find<QAbstractButton>("pushButtonStartRecv")->setChecked(false);
    connectDevice();
    click("pushButtonStartRecv");
    EXPECT_EQ(text("pushButtonStartRecv"), "Stop Recv");
    click("pushButtonStartRecv");
    EXPECT_EQ(text("pushButtonStartRecv"), "Start Recv");
    EXPECT_EQ(log(), (QStringList{"Device is not open", "imu Connect SUCCESS", "Start Receive",
                                  "Stop Receive"}));
    EXPECT_TRUE(device().wasCalled("start_data_ransmission"));
    EXPECT_TRUE(device().wasCalled("stop_data_ransmission"));
}

TEST_F(Live, DisconnectStopsThePlotButLeavesTheStreamButton)
{
    connectDevice();
    click("pushButtonStartRecv");
    startPlot();
    click("pushButtonSerialConnect");

    const std::vector<std::string> calls = device().calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
              (std::vector<std::string>{"stopRecv", "closePort(0)"}));
    EXPECT_FALSE(device().wasCalled("stop_data_ransmission"));
    EXPECT_EQ(log().last(), "imu DisConnect");
    EXPECT_EQ(text("pushButtonSerialConnect"), "Connect");
    EXPECT_EQ(text("pushButtonStartRecv"), "Stop Recv");
    EXPECT_TRUE(checked("pushButtonStartRecv"));
    EXPECT_FALSE(checked("pushButtonStartPlot"));
    EXPECT_EQ(text("pushButtonStartPlot"), "Start Plot");
    EXPECT_TRUE(find<QWidget>("pushButtonClearGraphs")->isEnabled());
    EXPECT_FALSE(checked("radioButtonDeviceUpdate"));
    // The indicator blinks every 500 ms while connected.
    QTest::qWait(600);
    EXPECT_FALSE(checked("radioButtonDeviceUpdate")) << "the blinking stopped";
}

TEST_F(Live, ATransmitErrorOnTheGuiThreadShowsTheBoxBeforeLogging)
{
    MessageBoxAnswerer answerer;
    QStringList logWhileBoxOpen;
    QTimer::singleShot(0, [&] {
        device().emitTransmitError();
        logWhileBoxOpen = log();
    });
    ASSERT_TRUE(waitUntil([&] { return answerer.seen().size() == 1; }));
    EXPECT_EQ(answerer.seen()[0].title, "Error");
    EXPECT_EQ(answerer.seen()[0].text, "Transmit ERROR");
    EXPECT_EQ(answerer.seen()[0].icon, QMessageBox::Critical);
    ASSERT_TRUE(waitUntil([&] { return !log().isEmpty(); }));
    EXPECT_EQ(log(), QStringList{"Transmite ERROR"});
}

TEST_F(Live, TwoTransmitErrorsFromAnotherThreadGiveTwoBoxesOneAfterTheOther)
{
    connectDevice();
    MessageBoxAnswerer answerer;
    std::thread([&] {
        device().emitTransmitError();
        device().emitTransmitError();
    }).join();
    ASSERT_TRUE(waitUntil([&] { return answerer.seen().size() == 2; }));
    for (const SeenMessageBox &box : answerer.seen())
        EXPECT_EQ(box.boxesOpen, 1);
    EXPECT_EQ(log().count("Transmite ERROR"), 2);
    EXPECT_TRUE(device().isOpen()) << "the link is left as it is";
}

TEST_F(Live, SampleLinesFollowTheDisplaySwitchButReadoutsAlwaysFollow)
{
    connectDevice();
    streamFromDeviceThread({sampleWithAngles(1, 2, 3), sampleWithAngles(4, 5, 6)});
    find<QComboBox>("comboBoxMessagesDisplayMode")->setCurrentText("Gyr");
    streamFromDeviceThread({sampleWithAngles(7, 8, 9)});
    find<QAbstractButton>("checkBox_display")->setChecked(false);
    streamFromDeviceThread({sampleWithAngles(-1, -2, -3)});

    EXPECT_EQ(log(), (QStringList{"imu Connect SUCCESS",
                                  "AgnleX: 1.00     AgnleY: 2.00     AgnleZ: 3.00    ",
                                  "AgnleX: 4.00     AgnleY: 5.00     AgnleZ: 6.00    ",
                                  "GyrX: 70.00    GyrY: 80.00    GyrZ: 90.00   "}));
    ASSERT_TRUE(waitUntil([&] { return find<QLineEdit>("lineEdit_angle_x")->text() == "-1.00"; }));
}

TEST_F(Live, StartPlotNeedsAnOpenDeviceAndTheChartStartsAtItsDefaultRanges)
{
    EXPECT_EQ(chart()->xAxis->range(), QCPRange(-1, 5));
    EXPECT_EQ(chart()->yAxis->range(), QCPRange(-1, 1));
    click("pushButtonStartPlot");
    EXPECT_EQ(log(), QStringList{"Please Connect Device"});
    EXPECT_FALSE(checked("pushButtonStartPlot"));
    EXPECT_EQ(text("pushButtonStartPlot"), "Start Plot");
    EXPECT_EQ(chart()->axisRect()->rangeDrag(), Qt::Horizontal | Qt::Vertical);
}

TEST_F(Live, PlottingFitsTheValueAxisOnceAndShowsTheLastTenSeconds)
{
    connectDevice();
    startPlot();
    EXPECT_EQ(text("pushButtonStartPlot"), "Stop Plot");
    EXPECT_FALSE(find<QWidget>("pushButtonClearGraphs")->isEnabled());
    EXPECT_FALSE(find<QWidget>("comboBoxGraphDisplayMode")->isEnabled());
    EXPECT_EQ(chart()->axisRect()->rangeDrag(), Qt::Vertical);
    EXPECT_EQ(chart()->axisRect()->rangeZoom(), Qt::Vertical);

    streamFromDeviceThread({sampleWithAngles(-3, 0, 1), sampleWithAngles(2, 5, 7)});
    // The refresh that adds the points also fits and slides the axes.
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 2; }));
    EXPECT_EQ(chart()->yAxis->range(), QCPRange(-3, 7));
    const QCPGraphDataContainer &x = *chart()->graph(0)->data();
    EXPECT_LT(x.constBegin()->key, 0.5) << "keys start near 0";
    const double newest = (x.constEnd() - 1)->key;
    EXPECT_DOUBLE_EQ(chart()->xAxis->range().upper, newest);
    EXPECT_DOUBLE_EQ(chart()->xAxis->range().lower, newest - 10);

    chart()->yAxis->setRange(-100, 100); // the operator zooms
    streamFromDeviceThread({sampleWithAngles(50, 0, 0)});
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 3; }));
    EXPECT_EQ(chart()->yAxis->range(), QCPRange(-100, 100)) << "fitted only once per start";
    EXPECT_EQ(chart()->graph(2)->data()->size(), 3);
}

TEST_F(Live, StopKeepsThePointsClearEmptiesAndARestartBeginsAtZero)
{
    connectDevice();
    startPlot();
    streamFromDeviceThread({sampleWithAngles(1, 1, 1)});
    click("pushButtonStartPlot");
    EXPECT_EQ(pointCount(), 1) << "points that arrived while plotting stay";
    EXPECT_EQ(chart()->axisRect()->rangeDrag(), Qt::Horizontal | Qt::Vertical);
    streamFromDeviceThread({sampleWithAngles(2, 2, 2)});
    // While plotting, the refresh runs every 16 ms; 40 ms would have run it.
    QTest::qWait(40);
    EXPECT_EQ(pointCount(), 1) << "nothing is added while stopped";

    click("pushButtonClearGraphs");
    EXPECT_EQ(pointCount(), 0);

    // Time passes before the restart, so a kept origin would show in the key.
    QTest::qWait(300);
    startPlot();
    streamFromDeviceThread({sampleWithAngles(3, 3, 3)});
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 1; }));
    EXPECT_LT(chart()->graph(0)->data()->constBegin()->key, 0.2);
}

TEST_F(Live, TheGraphModeChoosesThePlottedQuantity)
{
    find<QComboBox>("comboBoxGraphDisplayMode")->setCurrentText("Gyr");
    connectDevice();
    startPlot();
    streamFromDeviceThread({sampleWithAngles(1, 2, 3)});
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 1; }));
    EXPECT_EQ(chart()->graph(0)->data()->constBegin()->value, 10);
    EXPECT_EQ(chart()->graph(2)->data()->constBegin()->value, 30);
}

TEST_F(Live, ShowTypeChoosesTheVisibleCurves)
{
    auto *showType = find<QComboBox>("comboBoxShowType");
    const bool table[4][3] = {
        {true, true, true}, {true, false, false}, {false, true, false}, {false, false, true}};
    for (int index : {1, 2, 3, 0}) {
        showType->setCurrentIndex(index);
        for (int graph = 0; graph < 3; ++graph)
            EXPECT_EQ(chart()->graph(graph)->visible(), table[index][graph])
                << "index " << index << " graph " << graph;
    }
    EXPECT_EQ(chart()->legend->itemCount(), 3);
    EXPECT_EQ(chart()->graph(1)->name(), "y");
    EXPECT_EQ(chart()->graph(0)->pen().color(), QColor(250, 120, 0));
}

TEST_F(Live, ALeftDoubleClickFitsTheVisibleCurves)
{
    QCustomPlot *plot = chart();
    plot->graph(0)->data()->add(QCPGraphData(1, -2));
    plot->graph(0)->data()->add(QCPGraphData(3, 8));
    plot->graph(1)->data()->add(QCPGraphData(0, 100));
    find<QComboBox>("comboBoxShowType")->setCurrentIndex(1);
    const QPoint centre = plot->rect().center();

    QTest::mouseDClick(plot, Qt::RightButton, {}, centre);
    EXPECT_EQ(plot->xAxis->range(), QCPRange(-1, 5)) << "only the left button fits";

    QTest::mouseDClick(plot, Qt::LeftButton, {}, centre);
    EXPECT_EQ(plot->xAxis->range(), QCPRange(1, 3));
    EXPECT_DOUBLE_EQ(plot->yAxis->range().lower, -3);
    EXPECT_DOUBLE_EQ(plot->yAxis->range().upper, 9);
}

TEST_F(Live, ADoubleClickOnAnEmptyChartOnlyWidensTheValueAxis)
{
    QCustomPlot *plot = chart();
    QTest::mouseDClick(plot, Qt::LeftButton, {}, plot->rect().center());
    QTest::mouseDClick(plot, Qt::LeftButton, {}, plot->rect().center());
    EXPECT_EQ(plot->xAxis->range(), QCPRange(-1, 5));
    EXPECT_DOUBLE_EQ(plot->yAxis->range().upper, 1.44);
    EXPECT_DOUBLE_EQ(plot->yAxis->range().lower, -1.44);
    EXPECT_EQ(plot->contextMenuPolicy(), Qt::CustomContextMenu);
}

// Many samples fired from another thread while the GUI timers run: every
// point arrives in order, the log keeps its newest lines, nothing piles up.
TEST_F(Live, AFloodOfSamplesIsHandedOverWithoutLoss)
{
    connectDevice();
    startPlot();
    constexpr int count = 20000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < count; ++i)
            device().emitSample(sampleWithAngles(float(i), 0, 0));
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done && pointCount() == count; }, 30000));
    producer.join();

    const QCPGraphDataContainer &x = *chart()->graph(0)->data();
    int expected = 0;
    for (auto it = x.constBegin(); it != x.constEnd(); ++it)
        ASSERT_EQ(it->value, expected++);
    const QStringList lines = log();
    EXPECT_EQ(lines.size(), 1000);
    EXPECT_TRUE(lines.last().startsWith(QString("AgnleX: %1.00").arg(count - 1)));
}

TEST_F(Live, ALostLinkShowsClosedAndComesBackWithRateStreamAndPlot)
{
    find<QComboBox>("comboBoxDataRate")->setCurrentText("50");
    connectDevice();
    click("pushButtonStartRecv");
    startPlot();
    streamFromDeviceThread({sampleWithAngles(1, 2, 3)});
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 1; }));

    MessageBoxAnswerer answerer;
    device().setPortOpens(false);
    std::thread([&] { device().unplug(); }).join();
    ASSERT_TRUE(waitUntil([&] { return !checked("pushButtonSerialConnect"); }));
    EXPECT_EQ(answerer.texts(), QStringList{"Transmit ERROR"}) << "the box comes first";
    EXPECT_EQ(text("pushButtonSerialConnect"), "Connect");
    EXPECT_FALSE(checked("pushButtonStartRecv"));
    EXPECT_EQ(text("pushButtonStartRecv"), "Start Recv");
    EXPECT_FALSE(checked("pushButtonStartPlot"));
    EXPECT_EQ(pointCount(), 1) << "the points stay";
    EXPECT_FALSE(checked("radioButtonDeviceUpdate"));

    // Port discovery keeps looking until the module is back.
    const auto probes = [&] {
        const std::vector<std::string> calls = device().calls();
        return std::count(calls.begin(), calls.end(), "initPort(0)");
    };
    ASSERT_TRUE(waitUntil([&] { return probes() >= 3; }));
    device().setPortOpens(true);
    ASSERT_TRUE(waitUntil([&] { return checked("pushButtonSerialConnect"); }));
    EXPECT_EQ(log().mid(log().indexOf("Transmite ERROR")),
              (QStringList{"Transmite ERROR", "imu Reconnect SUCCESS", "Start Receive"}));
    EXPECT_EQ(text("pushButtonSerialConnect"), "Disconnect");
    EXPECT_EQ(device().ratesSent().back(), IMUserial::DATARATE_50HZ);
    EXPECT_TRUE(device().isReceiving());
    EXPECT_TRUE(checked("pushButtonStartRecv"));
    EXPECT_EQ(text("pushButtonStartRecv"), "Stop Recv");
    EXPECT_TRUE(checked("pushButtonStartPlot"));
    streamFromDeviceThread({sampleWithAngles(4, 5, 6)});
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 2; })) << "the plot goes on";
}

TEST_F(Live, AConnectClickEndsTheSearchForALostModule)
{
    connectDevice();
    MessageBoxAnswerer answerer;
    device().setPortOpens(false);
    std::thread([&] { device().unplug(); }).join();
    ASSERT_TRUE(waitUntil([&] { return !checked("pushButtonSerialConnect"); }));

    click("pushButtonSerialConnect");
    EXPECT_EQ(log().last(), "imu Connect Fail");
    device().setPortOpens(true);
    // The search looks again at most 2 s after its last look.
    QTest::qWait(2500);
    EXPECT_FALSE(device().isOpen());
    EXPECT_FALSE(log().contains("imu Reconnect SUCCESS"));
}

TEST_F(Live, AnErrorAfterTheOperatorDisconnectedStartsNoSearch)
{
    connectDevice();
    click("pushButtonSerialConnect");
    MessageBoxAnswerer answerer;
    std::thread([&] { device().unplug(); }).join();
    ASSERT_TRUE(waitUntil([&] { return answerer.seen().size() == 1; }));
    QTest::qWait(500); // a search would have looked within 250 ms
    EXPECT_FALSE(device().isOpen());
    EXPECT_EQ(log().last(), "Transmite ERROR");
}

TEST(Reconnector, LooksWithGrowingPausesUntilFoundOrTheTimeIsUp)
{
    std::atomic<int> looks{0};
    connection::Reconnector never([&] {
        ++looks;
        return false;
    });
    bool gaveUp = false;
    QObject::connect(&never, &connection::Reconnector::gaveUp, [&] { gaveUp = true; });
    never.start(600);
    ASSERT_TRUE(waitUntil([&] { return gaveUp; }));
    // Pauses of 250 and 500 ms fit about three looks into 600 ms.
    EXPECT_GE(looks, 2);
    EXPECT_LE(looks, 4);
    EXPECT_FALSE(never.isSearching());

    connection::Reconnector third([&] { return ++looks % 3 == 0; });
    looks = 1;
    bool found = false;
    QObject::connect(&third, &connection::Reconnector::found, [&] { found = true; });
    third.start();
    ASSERT_TRUE(waitUntil([&] { return found; }));
    EXPECT_EQ(looks, 3);
}

TEST(Reconnector, AStoppedSearchReportsNothing)
{
    std::atomic<bool> release{false};
    connection::Reconnector slow([&] {
        while (!release)
            std::this_thread::yield();
        return true;
    });
    bool reported = false;
    QObject::connect(&slow, &connection::Reconnector::found, [&] { reported = true; });
    QObject::connect(&slow, &connection::Reconnector::gaveUp, [&] { reported = true; });
    slow.start();
    slow.stop();
    release = true;
    slow.stopAndWait();
    QCoreApplication::processEvents();
    EXPECT_FALSE(reported);
}
