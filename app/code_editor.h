// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>

class LineNumberArea;

// A plain-text view with a line-number gutter and an optional highlight of the
// line holding the cursor.
class CodeEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CodeEditor(QWidget *parent = nullptr);

    void setHighlightEnabled(bool on);
    // Appends like appendPlainText, and the new lines keep their shaped
    // glyphs: a log that scrolls with every refresh then shapes each line once,
    // not on every repaint while it is in view. Lines beyond the document's
    // maximum block count are dropped from the top first, in one step.
    void appendKeepingGlyphs(const QString &text);
    int lineNumberAreaWidth();
    // The gutter's width once the log holds `lines` lines.
    int lineNumberAreaWidthFor(int lines) const;
    void lineNumberAreaPaintEvent(QPaintEvent *event);

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void updateLineNumberAreaWidth(int newBlockCount);
    void highlightCurrentLine();
    void updateLineNumberArea(const QRect &rect, int dy);

private:
    void makeRoomFor(int newLines);

    LineNumberArea *lineNumberArea;
    bool highlightEnabled;
    bool holdGutterWidth = false;
};

class LineNumberArea : public QWidget
{
public:
    explicit LineNumberArea(CodeEditor *editor) : QWidget(editor), codeEditor(editor) {}

    QSize sizeHint() const override { return QSize(codeEditor->lineNumberAreaWidth(), 0); }

protected:
    void paintEvent(QPaintEvent *event) override { codeEditor->lineNumberAreaPaintEvent(event); }

private:
    CodeEditor *codeEditor;
};
