// SPDX-License-Identifier: GPL-3.0-or-later
// Printing the log and the chart: the print dialog, replaceable so that tests
// can answer it without a modal dialog, and what goes onto the page.
#pragma once

#include <QString>

#include <functional>

class QCustomPlot;
class QPlainTextEdit;
class QPrinter;
class QWidget;

namespace filemenu {

struct PrintQuestion
{
    QWidget *parent = nullptr;
    QString caption;
    QPrinter *printer = nullptr; // set up by the answer
};

// True to print on the printer as the answer set it up, false when cancelled.
using AskPrinter = std::function<bool(const PrintQuestion &)>;

// The platform print dialog for `printer`.
bool choosePrinter(QWidget *parent, const QString &caption, QPrinter &printer);

// Replaces the dialog; an empty function restores the real one.
void replacePrintDialog(AskPrinter ask);

// The text of `editor` over as many pages as it takes. False when the printer
// could not be started.
bool printText(const QPlainTextEdit &editor, QPrinter &printer);

// The chart as on screen, scaled to fill the page with its proportions kept.
// False when the printer could not be started.
bool printChart(QCustomPlot &chart, QPrinter &printer);

} // namespace filemenu
