// SPDX-License-Identifier: GPL-3.0-or-later
// What nobody sees is not drawn: with the window minimised or the chart's page
// not shown, the chart's history takes every point but the chart waits; seen
// again, the chart, the read-outs and the log show the latest sample at once.
#include "chart/chart_history.h"
#include "live/sample_text.h"
#include "window_fixture.h"

#include <QAction>
#include <QLineEdit>

#include <qcustomplot.h>

#include <thread>

using UnseenViews = WindowTest;

TEST_F(UnseenViews, WaitAndShowTheLatestSampleAtOnceWhenSeenAgain)
{
    const struct
    {
        const char *name;
        std::function<void()> hide, show;
    } ways[] = {
        {"minimised", [&] { window->showMinimized(); }, [&] { window->showNormal(); }},
        {"3D page", [&] { find<QAction>("action3D_orientation")->trigger(); },
         [&] { find<QAction>("actionPlotter")->trigger(); }},
    };
    QCustomPlot *chart = find<QCustomPlot>("widgetChart");
    const auto newestKey = [&] { return chart::newestKey(*chart->graph(0)->data()); };
    const auto newestValue = [&] { return (chart->graph(0)->data()->constEnd() - 1)->value; };
    IMUserial::sensor_data sample{};
    const auto send = [&] {
        sample.angle.x += 1;
        std::thread([&] { ASSERT_TRUE(device().emitSample(sample)); }).join();
    };
    connectDevice();
    click("pushButtonStartPlot");
    for (const auto &way : ways) {
        SCOPED_TRACE(way.name);
        send();
        ASSERT_TRUE(waitUntil([&] { return chart->xAxis->range().upper == newestKey(); }));
        way.hide();
        const QCPRange shown = chart->xAxis->range();
        send();
        ASSERT_TRUE(waitUntil([&] { return newestValue() == sample.angle.x; })) << "history";
        EXPECT_EQ(chart->xAxis->range(), shown) << "the chart waits";

        way.show();
        EXPECT_EQ(chart->xAxis->range().upper, newestKey());
        EXPECT_EQ(find<QLineEdit>("lineEdit_angle_x")->text(), live::angleText(sample.angle.x));
        EXPECT_TRUE(find<QPlainTextEdit>("textBrowserLogs")
                        ->toPlainText()
                        .endsWith(live::sampleLine(stream::DisplayMode::Angle, sample)));
    }
}
