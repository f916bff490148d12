// The split views of the received-data area, the parser-data panel beside
// the chart, and the help actions reached by shortcut only.
#include "mainwindow.h"

#include "ui_mainwindow.h"
#include "views/appinfo.h"
#include "views/parserpanel.h"

#include <QMessageBox>
#include <QWhatsThis>

using views::LogChartSplit;
using views::ParserPane;

void MainWindow::connectViews()
{
    // The panel is the third pane of the log/chart splitter, hidden at start.
    parserPanel = new views::ParserDataPanel;
    parserPanel->hide();
    ui->splitterReceivedData->addWidget(parserPanel);

    const auto onTrigger = [this](QAction *action, auto change) {
        connect(action, &QAction::triggered, this, [this, change] {
            change(splitState);
            applySplit();
        });
    };
    // Choosing a log/chart split brings a maximised panel back to its share.
    const auto split = [](LogChartSplit chosen) {
        return [chosen](views::SplitState &state) {
            state.split = chosen;
            if (state.pane == ParserPane::Full)
                state.pane = ParserPane::Shown;
        };
    };
    const auto pane = [](ParserPane chosen) {
        return [chosen](views::SplitState &state) { state.pane = chosen; };
    };
    onTrigger(ui->actionFull_text_view, split(LogChartSplit::FullText));
    onTrigger(ui->action50_50_view, split(LogChartSplit::Half));
    onTrigger(ui->actionFull_chart, split(LogChartSplit::FullChart));
    onTrigger(ui->actionShow_parser_data, pane(ParserPane::Shown));
    onTrigger(ui->actionHide_parser_data, pane(ParserPane::Hidden));
    onTrigger(ui->actionFull_parser_data, pane(ParserPane::Full));
    connect(&angleTimer, &QTimer::timeout, this, &MainWindow::refreshParserPanel);

    // These are in no menu: on the window itself their shortcuts still work.
    addActions({ui->actionWhats_this, ui->actionAbout_Qt, ui->actionInfo});
    connect(ui->actionWhats_this, &QAction::triggered, this, &QWhatsThis::enterWhatsThisMode);
    connect(ui->actionAbout_Qt, &QAction::triggered, this,
            [this] { QMessageBox::aboutQt(this, ui->actionAbout_Qt->text()); });
    connect(ui->actionInfo, &QAction::triggered, this, &MainWindow::showApplicationInfo);
}

void MainWindow::applySplit()
{
    parserPanel->setVisible(splitState.pane != ParserPane::Hidden);
    // The splitter scales the widths to the room it has.
    const std::array<int, 3> widths =
        views::paneWidths(splitState, ui->splitterReceivedData->width());
    ui->splitterReceivedData->setSizes({widths.begin(), widths.end()});
    refreshParserPanel();
}

// On the refresh tick, from the hand-off: the receive thread never reaches
// the panel.
void MainWindow::refreshParserPanel()
{
    if (parserPanel->isHidden())
        return;
    if (const std::optional<IMUserial::sensor_data> sample = handoff.latestSample())
        parserPanel->showSample(*sample);
}

void MainWindow::showApplicationInfo()
{
    QMessageBoxWindow(MsgInformation, ui->actionInfo->text(),
                      views::applicationInfoText(views::currentBuild()));
}
