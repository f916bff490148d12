// SPDX-License-Identifier: GPL-3.0-or-later
#include "view_menu.h"

#include "live/shown_sample.h"
#include "live/view_visibility.h"
#include "ui_mainwindow.h"
#include "views/app_info.h"
#include "views/parser_panel.h"
#include "views/received_data_layout.h"

#include <QMessageBox>
#include <QWhatsThis>

namespace views {

ViewMenu::ViewMenu(QMainWindow &window, Ui_MainWindow &ui, const live::ShownSample &shown,
                   QTimer &displayTick, prompts::Prompter prompter)
    : QObject(&window), window_(window), ui_(ui), shown_(shown), prompter_(std::move(prompter)),
      parserPanel_(new ParserDataPanel)
{
    // The panel is the third pane of the log/chart splitter, hidden at start.
    parserPanel_->hide();
    ui_.splitterReceivedData->addWidget(parserPanel_);
    panelVisibility_ = new live::ViewVisibility(*parserPanel_);
    fitReceivedData(ui_);
    connectSplits();
    connect(&displayTick, &QTimer::timeout, this, &ViewMenu::refreshParserPanel);
    connect(panelVisibility_, &live::ViewVisibility::seenAgain, this,
            &ViewMenu::refreshParserPanel);
    connect(&shown_, &live::ShownSample::changed, this, &ViewMenu::refreshParserPanel);

    // These are in no menu: on the window itself their shortcuts still work.
    window_.addActions({ui_.actionWhats_this, ui_.actionAbout_Qt, ui_.actionInfo});
    connect(ui_.actionWhats_this, &QAction::triggered, this, &QWhatsThis::enterWhatsThisMode);
    connect(ui_.actionAbout_Qt, &QAction::triggered, this,
            [this] { QMessageBox::aboutQt(&window_, ui_.actionAbout_Qt->text()); });
    connect(ui_.actionInfo, &QAction::triggered, this, &ViewMenu::showApplicationInfo);
}

void ViewMenu::connectSplits()
{
    const auto onTrigger = [this](QAction *action, auto change) {
        connect(action, &QAction::triggered, this, [this, change] {
            const bool splitChosen = change(splitState_);
            applySplit(splitChosen);
        });
    };
    // Choosing a log/chart split brings a maximised panel back to its share.
    const auto split = [](LogChartSplit chosen) {
        return [chosen](SplitState &state) {
            state.split = chosen;
            if (state.pane == ParserPane::Full)
                state.pane = ParserPane::Shown;
            return true;
        };
    };
    const auto pane = [](ParserPane chosen) {
        return [chosen](SplitState &state) {
            state.pane = chosen;
            return false;
        };
    };
    onTrigger(ui_.actionFull_text_view, split(LogChartSplit::FullText));
    onTrigger(ui_.action50_50_view, split(LogChartSplit::Half));
    onTrigger(ui_.actionFull_chart, split(LogChartSplit::FullChart));
    onTrigger(ui_.actionShow_parser_data, pane(ParserPane::Shown));
    onTrigger(ui_.actionHide_parser_data, pane(ParserPane::Hidden));
    onTrigger(ui_.actionFull_parser_data, pane(ParserPane::Full));
}

// The half split gives the log half the area; showing or hiding the panel
// leaves the log as wide as it is, so the panel's room comes from the chart.
void ViewMenu::applySplit(bool splitChosen)
{
    parserPanel_->setVisible(splitState_.pane != ParserPane::Hidden);
    const int total = ui_.splitterReceivedData->width();
    const int log = ui_.splitterReceivedData->sizes().value(0);
    const int logWidth = splitChosen || log == 0 ? total / 2 : log;
    // The splitter scales the widths to the room it has.
    const std::array<int, 3> widths =
        paneWidths(splitState_, total, parserPanel_->sizeHint().width(), logWidth);
    ui_.splitterReceivedData->setSizes({widths.begin(), widths.end()});
}

// On the refresh tick, from the shown sample: the receive thread never
// reaches the panel. A panel nobody sees keeps its text until it is seen again.
void ViewMenu::refreshParserPanel()
{
    if (!panelVisibility_->isSeen())
        return;
    if (const std::optional<IMUserial::sensor_data> sample = shown_.sample())
        parserPanel_->showSample(*sample);
}

void ViewMenu::showApplicationInfo()
{
    prompter_.inform(ui_.actionInfo->text(), applicationInfoText(currentBuild()));
}

} // namespace views
