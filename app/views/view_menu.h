// SPDX-License-Identifier: GPL-3.0-or-later
// The View menu: the split of the received-data area between the log, the
// chart and the parser-data panel; and the help actions reached by shortcut only.
#pragma once

#include "prompts/prompter.h"
#include "views/split_layout.h"

#include <QObject>

class QMainWindow;
class QTimer;
class Ui_MainWindow;

namespace live {
class ShownSample;
class ViewVisibility;
} // namespace live

namespace views {

class ParserDataPanel;

class ViewMenu : public QObject
{
    Q_OBJECT

public:
    // The panel follows `shown` on `displayTick`.
    ViewMenu(QMainWindow &window, Ui_MainWindow &ui, const live::ShownSample &shown,
             QTimer &displayTick, prompts::Prompter prompter);

private:
    void connectSplits();
    void applySplit(bool splitChosen);
    void refreshParserPanel();
    void showApplicationInfo();

    QMainWindow &window_;
    Ui_MainWindow &ui_;
    const live::ShownSample &shown_;
    prompts::Prompter prompter_;
    SplitState splitState_;
    ParserDataPanel *parserPanel_;
    live::ViewVisibility *panelVisibility_ = nullptr;
};

} // namespace views
