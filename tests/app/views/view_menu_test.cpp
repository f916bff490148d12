// SPDX-License-Identifier: GPL-3.0-or-later
// The split views of the received-data area, the parser-data panel and the
// help shortcuts: the layout and text functions alone, then the window driven
// by its shortcuts against the scripted device library.
#include "stream/display_modes.h"
#include "views/app_info.h"
#include "views/parser_data.h"
#include "views/received_data_layout.h"
#include "views/split_layout.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableWidget>
#include <QWhatsThis>

#include <thread>

using views::LogChartSplit;
using views::ParserPane;

namespace {

IMUserial::sensor_data knownSample()
{
    IMUserial::sensor_data s{};
    s.angle = {1.5f, -20.25f, 179.99f};
    s.quat = {0.70710678f, 0, -0.70710678f, 0.125f};
    s.gyr = {0.5f, -1, 2};
    s.acc = {0, 0, 9.81f};
    s.free_acc = {0.0125f, -0.5f, 0};
    s.mag = {22.5f, -3, 40.25f};
    s.temp = 36.5f;
    return s;
}

// Field, unit and values of every row, as the panel should list them.
const std::vector<views::ParserRow> knownRows = {
    {"angle", "deg", {"1.50", "-20.25", "179.99"}},
    {"quat", "", {"0.7071", "0.0000", "-0.7071", "0.1250"}},
    {"gyr", "deg/s", {"0.50", "-1.00", "2.00"}},
    {"acc", "m/s²", {"0.00", "0.00", "9.81"}},
    {"free_acc", "m/s²", {"0.0125", "-0.5000", "0.0000"}},
    {"mag", "µT", {"22.50", "-3.00", "40.25"}},
    {"temp", "°C", {"36.50"}},
};

} // namespace

TEST(PaneWidths, AShownPanelTakesItsWidthFromTheChartAndAFullPanelTakesAll)
{
    const struct
    {
        views::SplitState state;
        std::array<int, 3> widths;
    } cases[] = {
        {{LogChartSplit::FullText, ParserPane::Hidden}, {900, 0, 0}},
        {{LogChartSplit::Half, ParserPane::Hidden}, {450, 450, 0}},
        {{LogChartSplit::FullChart, ParserPane::Hidden}, {0, 900, 0}},
        {{LogChartSplit::FullText, ParserPane::Shown}, {700, 0, 200}},
        {{LogChartSplit::Half, ParserPane::Shown}, {450, 250, 200}},
        {{LogChartSplit::FullChart, ParserPane::Shown}, {0, 700, 200}},
        {{LogChartSplit::Half, ParserPane::Full}, {0, 0, 900}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(views::paneWidths(c.state, 900, 200, 450), c.widths)
            << int(c.state.split) << ' ' << int(c.state.pane);
    // Odd widths lose no pixel.
    const std::array<int, 3> odd =
        views::paneWidths({LogChartSplit::Half, ParserPane::Shown}, 101, 40, 50);
    EXPECT_EQ(odd[0] + odd[1] + odd[2], 101);
}

TEST(ParserRows, EveryFieldWithItsUnitInFixedNotation)
{
    const std::vector<views::ParserRow> rows = views::parserRows(knownSample());
    ASSERT_EQ(rows.size(), knownRows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].field, knownRows[i].field);
        EXPECT_EQ(rows[i].unit, knownRows[i].unit) << knownRows[i].field.toStdString();
        EXPECT_EQ(rows[i].values, knownRows[i].values) << knownRows[i].field.toStdString();
    }
}

TEST(ApplicationInfo, TextNamesTheVersionsAndTheBuild)
{
    const QString text = views::applicationInfoText(
        {"3.7", "6.4.2", "GCC 12.2.0", "Release", "Jan  2 2025 10:00:00"});
    EXPECT_EQ(text, "Version 3.7\nQt 6.4.2\nCompiler: GCC 12.2.0\n"
                    "Build: Release, Jan  2 2025 10:00:00");
}

class Views : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // Wide enough for the chart column's minimum width in a third of the area.
        window->resize(2400, 800);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void press(QKeyCombination keys)
    {
        QTest::keyClick(window.get(), keys.key(), keys.keyboardModifiers());
    }

    QSplitter *splitter() { return find<QSplitter>("splitterReceivedData"); }
    QTableWidget *panel() { return find<QTableWidget>("parserDataPanel"); }
    QList<int> widths() { return splitter()->sizes(); }
};

TEST_F(Views, SplitShortcutsShareTheAreaBetweenLogAndChart)
{
    ASSERT_EQ(splitter()->indexOf(panel()), 2) << "the panel is the third pane";
    EXPECT_TRUE(panel()->isHidden()) << "hidden at start";

    press(Qt::CTRL | Qt::Key_1);
    EXPECT_GT(widths()[0], 0);
    EXPECT_EQ(widths()[1], 0);

    press(Qt::CTRL | Qt::Key_3);
    EXPECT_EQ(widths()[0], 0);
    EXPECT_GT(widths()[1], 0);

    press(Qt::CTRL | Qt::Key_2);
    EXPECT_GT(widths()[0], 0);
    EXPECT_NEAR(widths()[0], widths()[1], 1);
    EXPECT_TRUE(panel()->isHidden()) << "the splits leave a hidden panel hidden";
}

TEST_F(Views, PanelShortcutsShowHideAndMaximiseThePanel)
{
    const int log = widths()[0];
    press(Qt::CTRL | Qt::Key_4);
    ASSERT_TRUE(panel()->isVisible());
    EXPECT_GT(widths()[2], 0);
    EXPECT_NEAR(widths()[0], log, splitter()->handleWidth())
        << "the panel's room comes from the chart";

    press(Qt::CTRL | Qt::Key_6);
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(widths()[0], 0);
    EXPECT_EQ(widths()[1], 0);
    EXPECT_GT(widths()[2], 0);

    press(Qt::CTRL | Qt::Key_3);
    EXPECT_TRUE(panel()->isVisible()) << "a split brings a maximised panel back to its share";
    EXPECT_EQ(widths()[0], 0);
    EXPECT_GT(widths()[1], 0);
    EXPECT_GT(widths()[2], 0);

    press(Qt::CTRL | Qt::Key_5);
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_GT(widths()[1], 0);
}

TEST_F(Views, PanelListsTheLatestSampleFieldsWithTheirUnits)
{
    connectDevice();
    press(Qt::CTRL | Qt::Key_4);
    ASSERT_TRUE(panel()->isVisible());
    IMUserial::sensor_data earlier{};
    earlier.temp = 99;
    std::thread([&] {
        device().emitSample(earlier);
        device().emitSample(knownSample());
    }).join();
    QTableWidget *table = panel();
    ASSERT_TRUE(waitUntil([&] { return table->item(6, 0)->text() == "36.50"; }))
        << table->item(6, 0)->text().toStdString();

    ASSERT_EQ(table->rowCount(), int(knownRows.size()));
    ASSERT_EQ(table->columnCount(), 5);
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(table->horizontalHeaderItem(column)->text(),
                  (QStringList{"w", "x", "y", "z", "unit"}[column]));
    for (int row = 0; row < table->rowCount(); ++row) {
        const views::ParserRow &expected = knownRows[row];
        const std::string field = expected.field.toStdString();
        EXPECT_EQ(table->verticalHeaderItem(row)->text(), expected.field);
        EXPECT_EQ(table->item(row, 4)->text(), expected.unit) << field;
        // Values end under "z", so the quaternion's w sits under "w"; the
        // temperature stands alone in the first column.
        const int first = expected.values.size() == 1 ? 0 : 4 - int(expected.values.size());
        for (int i = 0; i < expected.values.size(); ++i)
            EXPECT_EQ(table->item(row, first + i)->text(), expected.values[i]) << field;
    }
    EXPECT_EQ(table->columnSpan(6, 0), 4) << "the temperature spans the value columns";
}

TEST_F(Views, F1EntersWhatsThisMode)
{
    ASSERT_FALSE(QWhatsThis::inWhatsThisMode());
    press(Qt::Key_F1);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

TEST_F(Views, HelpActionsLiveOnTheWindowAndShowTheirBoxes)
{
    for (const char *name : {"actionWhats_this", "actionAbout_Qt", "actionInfo"})
        EXPECT_TRUE(window->actions().contains(find<QAction>(name))) << name;

    MessageBoxAnswerer answerer({QMessageBox::Ok, QMessageBox::Ok});
    find<QAction>("actionInfo")->trigger();
    find<QAction>("actionAbout_Qt")->trigger();
    ASSERT_EQ(answerer.seen().size(), 2);

    const SeenMessageBox &info = answerer.seen()[0];
    EXPECT_EQ(info.title, "Application Info");
    const views::BuildInfo build = views::currentBuild();
    EXPECT_TRUE(info.text.contains("Version " + build.version)) << info.text.toStdString();
    EXPECT_TRUE(info.text.contains(QString("Qt ") + qVersion())) << info.text.toStdString();
    EXPECT_TRUE(info.text.contains(build.compiler)) << info.text.toStdString();
    EXPECT_TRUE(info.text.contains("Build: " + build.buildType)) << info.text.toStdString();
    EXPECT_TRUE(window->windowTitle().endsWith(" V" + build.version))
        << "the box and the title name the same version";

    EXPECT_TRUE(answerer.seen()[1].text.contains(qVersion())) << "About Qt names its version";
}

// At the window's default size with the panel shown, once taken the log
// wrapped after every word and read-outs were cut off.
TEST_F(Views, AtTheDefaultSizeNothingIsCutAndTheLogHoldsAWholeLine)
{
    window->resize(1200, 613);
    press(Qt::CTRL | Qt::Key_4);
    find<QCheckBox>("checkBoxShowTime")->setChecked(true);
    auto *templates = find<QComboBox>("comboBoxMessagesDisplayMode");
    QWidget *chartPane = find<QWidget>("verticalLayoutWidget_2");
    for (int i = 0; i < templates->count(); ++i) {
        templates->setCurrentIndex(i);
        QCoreApplication::processEvents();
        const auto mode = stream::messageModeFor(templates->currentText());
        const auto *log = find<QPlainTextEdit>("textBrowserLogs");
        EXPECT_GE(log->viewport()->width(), views::widestLogLine(mode, true, log->font()))
            << templates->currentText().toStdString();
        for (const char *name :
             {"pushButtonEnablePlot", "comboBoxShowType", "label_7", "spinBoxScrollingTimeRange",
              "comboBoxGraphDisplayMode", "lineEdit_angle_x", "lineEdit_angle_y",
              "lineEdit_angle_z", "pushButtonStartPlot", "pushButtonClearGraphs"}) {
            const auto *control = find<QWidget>(name);
            // A read-out needs the room of an angle, any other control its size hint.
            const int needed = qobject_cast<const QLineEdit *>(control)
                                   ? control->fontMetrics().horizontalAdvance("-180.00")
                                   : control->sizeHint().width();
            EXPECT_GE(control->width(), needed) << name;
            const QRect inPane(control->mapTo(chartPane, QPoint()), control->size());
            EXPECT_TRUE(chartPane->rect().contains(inPane)) << name;
        }
    }
}
