// SPDX-License-Identifier: GPL-3.0-or-later
#include "code_editor.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

int expectedGutter(const CodeEditor &editor, int digits)
{
    return 10 + digits * editor.fontMetrics().horizontalAdvance(QLatin1String("  "));
}

class ResizeCounter : public QObject
{
public:
    explicit ResizeCounter(int &count) : count(count) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Resize;
        return false;
    }

private:
    int &count;
};

} // namespace

TEST(CodeEditor, GutterGrowsByOneDigitAtTheTenthLineAndMovesTheText)
{
    CodeEditor editor;
    editor.resize(300, 200);
    editor.show();
    EXPECT_EQ(editor.lineNumberAreaWidth(), expectedGutter(editor, 1));

    for (int i = 1; i <= 9; ++i)
        editor.appendPlainText(QString::number(i));
    ASSERT_EQ(editor.blockCount(), 9);
    EXPECT_EQ(editor.lineNumberAreaWidth(), expectedGutter(editor, 1));
    const int textStart = editor.viewport()->geometry().left();

    editor.appendPlainText("10");
    EXPECT_EQ(editor.lineNumberAreaWidth(), expectedGutter(editor, 2));
    EXPECT_EQ(editor.viewport()->geometry().left() - textStart,
              expectedGutter(editor, 2) - expectedGutter(editor, 1));
}

TEST(CodeEditor, CurrentLineHighlightOnlyWhenEnabled)
{
    CodeEditor editor;
    editor.setPlainText("one\ntwo\nthree");
    editor.moveCursor(QTextCursor::End);
    EXPECT_TRUE(editor.extraSelections().isEmpty());

    editor.setHighlightEnabled(true);
    EXPECT_TRUE(editor.extraSelections().isEmpty()) << "takes effect at the next cursor move";
    editor.moveCursor(QTextCursor::Start);
    const QList<QTextEdit::ExtraSelection> selections = editor.extraSelections();
    ASSERT_EQ(selections.size(), 1);
    EXPECT_EQ(selections[0].format.background().color(), QColor(255, 255, 153));
    EXPECT_TRUE(selections[0].format.property(QTextFormat::FullWidthSelection).toBool());
    EXPECT_FALSE(selections[0].cursor.hasSelection());
    EXPECT_EQ(selections[0].cursor.block().text(), "one");
}

TEST(CodeEditor, AppendingInBatchesKeepsExactlyTheNewestLines)
{
    CodeEditor editor;
    editor.document()->setMaximumBlockCount(5);
    QStringList expected;
    int next = 1;
    const auto append = [&](int lines) {
        QStringList batch;
        for (int i = 0; i < lines; ++i)
            batch << QString("line %1").arg(next++);
        editor.appendKeepingGlyphs(batch.join('\n'));
        expected = (expected + batch).mid(qMax(0, int(expected.size() + batch.size()) - 5));
        EXPECT_EQ(editor.toPlainText(), expected.join('\n')) << "after a batch of " << lines;
    };
    for (const int lines : {3, 2, 1, 4, 5, 7, 1})
        append(lines);
    EXPECT_EQ(editor.blockCount(), 5);
    EXPECT_EQ(editor.document()->firstBlock().text(), "line 19");
}

// Dropping the oldest lines briefly takes a full log below ten lines; the text
// area must not shrink and grow back with the gutter, which lays it all out again.
TEST(CodeEditor, AFullLogKeepsItsTextAreaWhileBatchesArrive)
{
    CodeEditor editor;
    editor.resize(300, 200);
    editor.show();
    editor.document()->setMaximumBlockCount(10);
    for (int i = 1; i <= 10; ++i)
        editor.appendKeepingGlyphs(QString::number(i));
    const QRect textArea = editor.viewport()->geometry();
    int resizes = 0;
    ResizeCounter counter(resizes);
    editor.viewport()->installEventFilter(&counter);
    editor.appendKeepingGlyphs("11\n12\n13");
    EXPECT_EQ(resizes, 0);
    EXPECT_EQ(editor.viewport()->geometry(), textArea);
    EXPECT_EQ(editor.document()->firstBlock().text(), "4");
}

TEST(CodeEditor, GutterShowsNumbersFromOneAfterOldLinesAreDropped)
{
    CodeEditor editor;
    editor.document()->setMaximumBlockCount(5);
    for (int i = 1; i <= 12; ++i)
        editor.appendPlainText(QString("line %1").arg(i));
    EXPECT_EQ(editor.blockCount(), 5);
    EXPECT_EQ(editor.document()->firstBlock().text(), "line 8");
    EXPECT_EQ(editor.document()->firstBlock().blockNumber(), 0);
    EXPECT_EQ(editor.lineNumberAreaWidth(), expectedGutter(editor, 1));
}
