// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing.h"

#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>

#include <qcustomplot.h>

#include <algorithm>

namespace filemenu {

namespace {

AskPrinter replacement;

} // namespace

bool choosePrinter(QWidget *parent, const QString &caption, QPrinter &printer)
{
    if (replacement)
        return replacement({parent, caption, &printer});
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(caption);
    return dialog.exec() == QDialog::Accepted;
}

void replacePrintDialog(AskPrinter ask)
{
    replacement = std::move(ask);
}

bool printText(const QPlainTextEdit &editor, QPrinter &printer)
{
    editor.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

bool printChart(QCustomPlot &chart, QPrinter &printer)
{
    QCPPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Vector output without the screen's pixmap caches, so the page is as
    // sharp as the printer allows.
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRect page = painter.viewport();
    const double scale =
        std::min(double(page.width()) / chart.width(), double(page.height()) / chart.height());
    painter.scale(scale, scale);
    chart.toPainter(&painter, chart.width(), chart.height());
    return painter.end();
}

} // namespace filemenu
