// SPDX-License-Identifier: GPL-3.0-or-later
// Steering the chart: the context menu's entries, following the value range
// and the newest points, the CSV copy, the middle-button zoom rectangle and
// the tracer; and the chart widget drawing what the library's widget draws.
#include "chart/chart_controller.h"
#include "chart/chart_readout.h"
#include "chart/live_chart.h"
#include "prompts/file_dialogs.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QSignalSpy>

#include <qcustomplot.h>

#include <thread>

namespace {

QCPGraphDataContainer container(const std::vector<std::pair<double, double>> &points)
{
    QCPGraphDataContainer data;
    for (const auto &[key, value] : points)
        data.add(QCPGraphData(key, value));
    return data;
}

// Two curves, a legend and a translucent item over them.
void fill(QCustomPlot &plot)
{
    plot.resize(420, 260);
    plot.layer("overlay")->setMode(QCPLayer::lmLogical);
    for (int curve = 0; curve < 2; ++curve) {
        QCPGraph *graph = plot.addGraph();
        graph->setPen(QPen(curve ? Qt::red : Qt::blue, 2));
        for (int i = 0; i < 200; ++i)
            graph->addData(i * 0.05, std::sin(i * 0.1 + curve));
    }
    plot.legend->setVisible(true);
    auto *band = new QCPItemRect(&plot);
    band->topLeft->setCoords(2, 0.5);
    band->bottomRight->setCoords(6, -0.5);
    band->setBrush(QColor(0, 128, 0, 60));
    plot.rescaleAxes();
}

// What each widget puts on screen after a replot.
QImage frameOf(QCustomPlot &plot)
{
    plot.replot();
    return plot.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

// Translucent strokes land on the background directly instead of through a
// blend, which may round a colour channel by one step.
int largestChannelDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

TEST(LiveChart, DrawsTheLibraryWidgetsFramesOnAnyOpaqueBackground)
{
    QCustomPlot library;
    chart::LiveChart live;
    fill(library);
    fill(live);
    EXPECT_LE(largestChannelDifference(frameOf(live), frameOf(library)), 1);
    EXPECT_TRUE(live.drawsOpaqueFrames());

    library.setBackground(QBrush(Qt::darkGray));
    live.setBackground(QBrush(Qt::darkGray));
    EXPECT_LE(largestChannelDifference(frameOf(live), frameOf(library)), 1);
    EXPECT_TRUE(live.drawsOpaqueFrames());

    // A second buffer must stay see-through to be blended over the first.
    library.layer("overlay")->setMode(QCPLayer::lmBuffered);
    live.layer("overlay")->setMode(QCPLayer::lmBuffered);
    EXPECT_LE(largestChannelDifference(frameOf(live), frameOf(library)), 1);
    EXPECT_FALSE(live.drawsOpaqueFrames());
}

TEST(LiveChart, LeavesASeeThroughBackgroundToTheLibrary)
{
    chart::LiveChart live;
    fill(live);
    live.setBackground(QBrush(QColor(255, 255, 0, 90)));
    frameOf(live);
    EXPECT_FALSE(live.drawsOpaqueFrames());
    live.setBackground(QPixmap(8, 8));
    frameOf(live);
    EXPECT_FALSE(live.drawsOpaqueFrames());
}

TEST(ChartReadout, CsvHoldsTheCurvesPointsInTheKeyRangeRowByKey)
{
    const QCPGraphDataContainer x = container({{0.5, 1}, {1, 0.1}, {2, -2.5}, {3, 9}});
    const QCPGraphDataContainer y = container({{1, 4}, {1.5, 1e-7}, {2, 1234567}});
    const QString text = chart::csvText({{"x", &x}, {"y", &y}}, 1, 2);
    EXPECT_EQ(text, "time [s],x,y\n"
                    "1.000,0.1,4\n"
                    "1.500,,1e-07\n"
                    "2.000,-2.5,1234567\n");
}

TEST(ChartReadout, CsvOfNoPointsIsTheHeaderAlone)
{
    const QCPGraphDataContainer x = container({{5, 1}});
    EXPECT_EQ(chart::csvText({{"x", &x}}, 0, 4), "time [s],x\n");
}

TEST(ChartReadout, NearestByKeySnapsToTheCloserNeighbourAndClampsAtTheEnds)
{
    const QCPGraphDataContainer data = container({{1, 10}, {2, 20}, {4, 40}});
    EXPECT_EQ(chart::nearestByKey(data, 2.9)->key, 2);
    EXPECT_EQ(chart::nearestByKey(data, 3.1)->value, 40);
    EXPECT_EQ(chart::nearestByKey(data, -5)->key, 1);
    EXPECT_EQ(chart::nearestByKey(data, 99)->key, 4);
    EXPECT_FALSE(chart::nearestByKey(QCPGraphDataContainer(), 1));
    EXPECT_EQ(chart::tracerText("y", {1.25, 0.3}), "t = 1.250 s\ny = 0.3");
}

class Chart : public WindowTest
{
protected:
    QCustomPlot *chart() { return find<QCustomPlot>("widgetChart"); }
    chart::ChartController *controller() { return window->findChild<chart::ChartController *>(); }

    // Points at known keys, as after a stopped plot.
    void putPoints(const std::vector<std::pair<double, double>> &points, int graph = 0)
    {
        for (const auto &[key, value] : points)
            chart()->graph(graph)->addData(key, value);
    }

    void showRanges(QCPRange keys, QCPRange values)
    {
        chart()->xAxis->setRange(keys);
        chart()->yAxis->setRange(values);
        chart()->replot();
    }

    void startPlot()
    {
        connectDevice();
        click("pushButtonStartPlot");
    }

    // Samples come from another thread, as from the library's receive thread.
    void stream(float angleX, int count = 1)
    {
        std::thread([&] {
            for (int i = 0; i < count; ++i) {
                IMUserial::sensor_data sample{};
                sample.angle = {angleX, 0, 0};
                ASSERT_TRUE(device().emitSample(sample));
            }
        }).join();
    }

    int pointCount() { return chart()->graph(0)->data()->size(); }

    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, chart()->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(chart(), &event);
    }

    QPointF pixelOf(double key, double value)
    {
        return {chart()->xAxis->coordToPixel(key), chart()->yAxis->coordToPixel(value)};
    }

    QCPItemTracer *tracerItem()
    {
        for (int i = 0; i < chart()->itemCount(); ++i)
            if (auto *tracer = qobject_cast<QCPItemTracer *>(chart()->item(i)))
                return tracer;
        return nullptr;
    }
};

TEST_F(Chart, TheMenuOffersItsEntriesWithScrollOnAndFollowOff)
{
    QStringList texts;
    for (QAction *action : controller()->contextMenu().actions())
        if (!action->isSeparator())
            texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Fit now", "Follow value range", "Scroll X", "Save image...",
                                  "Copy visible points as CSV", "Legend position"}));
    EXPECT_TRUE(controller()->scrollXAction->isChecked());
    EXPECT_FALSE(controller()->followValueRangeAction->isChecked());
    EXPECT_TRUE(controller()->legendCornerActions[2]->isChecked()) << "bottom left at start";
}

TEST_F(Chart, FitNowFitsTheVisibleCurvesWithAMargin)
{
    putPoints({{1, -1}, {3, 4}});
    showRanges({-50, 50}, {-50, 50});
    controller()->fitAction->trigger();
    EXPECT_EQ(chart()->xAxis->range(), QCPRange(1, 3));
    EXPECT_DOUBLE_EQ(chart()->yAxis->range().lower, -1.5);
    EXPECT_DOUBLE_EQ(chart()->yAxis->range().upper, 4.5);
}

TEST_F(Chart, LegendCornersMoveTheLegend)
{
    const auto alignment = [&] { return chart()->axisRect()->insetLayout()->insetAlignment(0); };
    controller()->legendCornerActions[1]->trigger();
    EXPECT_EQ(alignment(), Qt::AlignTop | Qt::AlignRight);
    controller()->legendCornerActions[3]->trigger();
    EXPECT_EQ(alignment(), Qt::AlignBottom | Qt::AlignRight);
    EXPECT_FALSE(controller()->legendCornerActions[1]->isChecked()) << "one corner at a time";
    controller()->legendCornerActions[0]->trigger();
    EXPECT_EQ(alignment(), Qt::AlignTop | Qt::AlignLeft);
}

TEST_F(Chart, SaveImageAsksForAFileAndCopyPutsTheVisibleCurvesOnTheClipboard)
{
    QList<QString> captions;
    prompts::replaceFileDialogs({}, [&](const prompts::FileQuestion &question) {
        captions << question.caption;
        return QString();
    });
    controller()->saveImageAction->trigger();
    prompts::replaceFileDialogs({}, {});
    EXPECT_EQ(captions, QList<QString>{"Save Graph As"});

    putPoints({{1, 0.5}, {2, 1.5}, {30, 9}}, 0);
    putPoints({{1, -1}, {2, -2}}, 2);
    find<QComboBox>("comboBoxShowType")->setCurrentText("x");
    showRanges({0, 10}, {-5, 5});
    controller()->copyCsvAction->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "time [s],x\n1.000,0.5\n2.000,1.5\n");
}

TEST_F(Chart, FollowValueRangeKeepsTheVisibleCurvesInViewAtEveryReplot)
{
    putPoints({{1, 0}, {2, 50}, {20, 1000}});
    showRanges({0, 10}, {-1, 1});
    EXPECT_EQ(chart()->yAxis->range(), QCPRange(-1, 1)) << "off: the range stays";

    controller()->followValueRangeAction->trigger();
    EXPECT_DOUBLE_EQ(chart()->yAxis->range().lower, -5);
    EXPECT_DOUBLE_EQ(chart()->yAxis->range().upper, 55)
        << "the point outside the time range is out";

    putPoints({{3, -100}});
    chart()->replot();
    EXPECT_TRUE(chart()->yAxis->range().contains(-100));
    EXPECT_TRUE(chart()->yAxis->range().contains(50));
}

TEST_F(Chart, FollowValueRangeFollowsArrivingPointsWhilePlotting)
{
    startPlot();
    stream(1);
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 1; }));
    controller()->followValueRangeAction->trigger();
    stream(500);
    ASSERT_TRUE(waitUntil([&] { return chart()->yAxis->range().contains(500); }));
    EXPECT_TRUE(chart()->yAxis->range().contains(1));
}

TEST_F(Chart, ScrollXOffKeepsThePannedViewWhilePointsArriveAndOnJumpsToTheNewest)
{
    startPlot();
    stream(1);
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 1; }));
    EXPECT_EQ(chart()->axisRect()->rangeDrag(), Qt::Vertical) << "scrolling: time is not dragged";

    controller()->scrollXAction->trigger();
    EXPECT_EQ(chart()->axisRect()->rangeDrag(), Qt::Horizontal | Qt::Vertical);
    chart()->xAxis->setRange(-100, -90);
    stream(2, 5);
    ASSERT_TRUE(waitUntil([&] { return pointCount() == 6; }));
    EXPECT_EQ(chart()->xAxis->range(), QCPRange(-100, -90));

    controller()->scrollXAction->trigger();
    const double newest = (chart()->graph(0)->data()->constEnd() - 1)->key;
    EXPECT_EQ(chart()->xAxis->range(),
              QCPRange(newest - chart::ChartController::kVisibleSeconds, newest));
    EXPECT_EQ(chart()->axisRect()->rangeDrag(), Qt::Vertical);
}

TEST_F(Chart, AMiddleButtonDragZoomsToItsRectangleAndLeavesTheLeftButtonPanning)
{
    showRanges({0, 100}, {0, 100});
    const QPointF from = pixelOf(20, 80);
    const QPointF to = pixelOf(60, 40);
    mouse(QEvent::MouseButtonPress, from, Qt::MiddleButton, Qt::MiddleButton);
    mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::MiddleButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::MiddleButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::MiddleButton, Qt::NoButton);
    EXPECT_NEAR(chart()->xAxis->range().lower, 20, 1);
    EXPECT_NEAR(chart()->xAxis->range().upper, 60, 1);
    EXPECT_NEAR(chart()->yAxis->range().lower, 40, 1);
    EXPECT_NEAR(chart()->yAxis->range().upper, 80, 1);
    EXPECT_EQ(chart()->selectionRectMode(), QCP::srmNone);

    showRanges({0, 100}, {0, 100});
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(chart()->xAxis->range().size(), 100, 1e-6) << "a left drag pans";
    EXPECT_LT(chart()->xAxis->range().lower, 0);
}

TEST_F(Chart, TheTracerReadsTheNearestVisibleCurvePointUnderTheMouse)
{
    putPoints({{1, 10}, {2, 20}, {3, 30}}, 0);
    putPoints({{1, -10}, {2, -20.5}, {3, -30}}, 1);
    showRanges({0, 4}, {-40, 40});
    auto *box = find<QCheckBox>("checkBoxEnableTracer");
    box->setChecked(true);
    QCPItemTracer *tracer = tracerItem();
    ASSERT_NE(tracer, nullptr);
    EXPECT_EQ(tracer->style(), QCPItemTracer::tsCrosshair);

    mouse(QEvent::MouseMove, pixelOf(2.1, -19), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(controller()->tracerReadout(), "t = 2.000 s\ny = -20.5");
    EXPECT_EQ(tracer->graph(), chart()->graph(1));
    mouse(QEvent::MouseMove, pixelOf(2.9, 25), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(controller()->tracerReadout(), "t = 3.000 s\nx = 30");

    find<QComboBox>("comboBoxShowType")->setCurrentText("y");
    mouse(QEvent::MouseMove, pixelOf(2.9, 25), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(controller()->tracerReadout(), "t = 3.000 s\ny = -30") << "hidden curves are skipped";

    find<QComboBox>("comboBoxTracerStyle")->setCurrentText("Circle");
    EXPECT_EQ(tracer->style(), QCPItemTracer::tsCircle);
    box->setChecked(false);
    EXPECT_EQ(chart()->itemCount(), 0) << "the tracer and its label go";
    EXPECT_EQ(controller()->tracerReadout(), "");
}

TEST_F(Chart, TheTracerShortcutTogglesTheTracer)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return tracerItem() != nullptr; }));
    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return tracerItem() == nullptr; }));
}
