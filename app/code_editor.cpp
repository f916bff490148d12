// SPDX-License-Identifier: GPL-3.0-or-later
#include "code_editor.h"

#include <QPainter>
#include <QTextBlock>

CodeEditor::CodeEditor(QWidget *parent)
    : QPlainTextEdit(parent), lineNumberArea(new LineNumberArea(this)), highlightEnabled(false)
{
    connect(this, &CodeEditor::blockCountChanged, this, &CodeEditor::updateLineNumberAreaWidth);
    connect(this, &CodeEditor::updateRequest, this, &CodeEditor::updateLineNumberArea);
    connect(this, &CodeEditor::cursorPositionChanged, this, &CodeEditor::highlightCurrentLine);
    updateLineNumberAreaWidth(0);
    // The gutter paints its whole area, so the frame behind it is not
    // repainted each time the log scrolls.
    lineNumberArea->setAttribute(Qt::WA_OpaquePaintEvent);
}

void CodeEditor::setHighlightEnabled(bool on)
{
    highlightEnabled = on;
}

void CodeEditor::appendKeepingGlyphs(const QString &text)
{
    // The line count dips while the oldest lines go; should that cost the
    // highest number a digit, a gutter following it would narrow and widen
    // again, and each change of width lays out the whole text anew.
    holdGutterWidth = true;
    makeRoomFor(int(text.count(QLatin1Char('\n'))) + 1);
    appendPlainText(text);
    holdGutterWidth = false;
    updateLineNumberAreaWidth(0);
    for (QTextBlock block = document()->lastBlock();
         block.isValid() && !block.layout()->cacheEnabled(); block = block.previous())
        block.layout()->setCacheEnabled(true);
}

// The document would trim its oldest lines itself, but it walks through them
// line by line and lays each one out on the way; at thousands of lines a second
// that was most of the window's work. One selection removes them at once.
void CodeEditor::makeRoomFor(int newLines)
{
    const int maximum = document()->maximumBlockCount();
    const int excess = blockCount() + newLines - maximum;
    if (maximum <= 0 || excess <= 0)
        return;
    QTextCursor cursor(document());
    if (excess >= blockCount())
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    else
        cursor.setPosition(document()->findBlockByNumber(excess).position(),
                           QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

// Two space widths per digit of the highest line number, plus a margin.
int CodeEditor::lineNumberAreaWidth()
{
    return lineNumberAreaWidthFor(blockCount());
}

int CodeEditor::lineNumberAreaWidthFor(int lines) const
{
    int digits = 1;
    for (int max = qMax(1, lines); max >= 10; max /= 10)
        ++digits;
    return 10 + fontMetrics().horizontalAdvance(QLatin1String("  ")) * digits;
}

void CodeEditor::updateLineNumberAreaWidth(int /*newBlockCount*/)
{
    if (!holdGutterWidth)
        setViewportMargins(lineNumberAreaWidth(), 0, 0, 0);
}

void CodeEditor::updateLineNumberArea(const QRect &rect, int dy)
{
    if (dy)
        lineNumberArea->scroll(0, dy);
    else
        lineNumberArea->update(0, rect.y(), lineNumberAreaWidth(), rect.height());

    if (rect.contains(viewport()->rect()))
        updateLineNumberAreaWidth(0);
}

void CodeEditor::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect contents = contentsRect();
    lineNumberArea->setGeometry(
        QRect(contents.left(), contents.top(), lineNumberAreaWidth(), contents.height()));
}

void CodeEditor::highlightCurrentLine()
{
    if (!highlightEnabled)
        return;
    QTextEdit::ExtraSelection selection;
    selection.format.setBackground(QColor(Qt::yellow).lighter(160));
    selection.format.setProperty(QTextFormat::FullWidthSelection, true);
    selection.cursor = textCursor();
    selection.cursor.clearSelection();
    setExtraSelections({selection});
}

void CodeEditor::lineNumberAreaPaintEvent(QPaintEvent *event)
{
    QPainter painter(lineNumberArea);
    painter.fillRect(event->rect(), Qt::lightGray);

    QTextBlock block = firstVisibleBlock();
    int blockNumber = block.blockNumber();
    int top = static_cast<int>(blockBoundingGeometry(block).translated(contentOffset()).top());
    int bottom = top + static_cast<int>(blockBoundingRect(block).height());

    painter.setPen(Qt::black);
    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && bottom >= event->rect().top()) {
            painter.drawText(0, top, lineNumberArea->width(), fontMetrics().height(), Qt::AlignLeft,
                             QString::number(blockNumber + 1));
        }
        block = block.next();
        top = bottom;
        bottom = top + static_cast<int>(blockBoundingRect(block).height());
        ++blockNumber;
    }
}
