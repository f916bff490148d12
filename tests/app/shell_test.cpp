// SPDX-License-Identifier: GPL-3.0-or-later
// The window as it starts: state, slot bindings, the message log, the common
// message box and the update check.
#include "window_fixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMetaMethod>
#include <QProgressDialog>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>

#include <thread>

using Shell = WindowTest;

TEST_F(Shell, StartsWithTheFormDefaultsAndNothingSent)
{
    EXPECT_EQ(window->windowTitle(), "ORVIK-IMU V0.3");
    EXPECT_EQ(find<QTabWidget>("tabWidgetControlSection")->currentIndex(), 0);
    EXPECT_EQ(find<QStackedWidget>("stackedWidgetGraphView")->currentIndex(), 0);
    EXPECT_EQ(find<QComboBox>("comboBoxDataRate")->currentText(), "100");
    EXPECT_EQ(find<QPlainTextEdit>("textBrowserLogs")->document()->maximumBlockCount(), 1000);
    EXPECT_EQ(find<QSplitter>("splitterGraphTable")->sizes().value(1), 0);
    // With a minimum duration of 0 the progress dialog's own show timer would
    // fire on the first pass of the event loop; 50 ms gives it several.
    QTest::qWait(50);
    EXPECT_FALSE(window->findChild<QProgressDialog *>()->isVisible());
    EXPECT_TRUE(device().calls().empty());
}

TEST(ShellBindings, EverySlotNamedAfterAWidgetIsBoundToIt)
{
    fake::Device::instance().reset();
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &message) { warnings << message; });
    {
        MainWindow window;
        const QMetaObject *meta = window.metaObject();
        int bound = 0;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QString name = meta->method(i).name();
            if (!name.startsWith("on_"))
                continue;
            const QString objectName = name.mid(3, name.lastIndexOf('_') - 3);
            EXPECT_NE(window.findChild<QObject *>(objectName), nullptr) << name.toStdString();
            ++bound;
        }
        EXPECT_EQ(bound, 28);
    }
    qInstallMessageHandler(previous);
    EXPECT_FALSE(warnings.join('\n').contains("connectSlotsByName"))
        << warnings.join('\n').toStdString();
}

TEST_F(Shell, LogLinesAppearAfterTheHandlerInEmissionOrderFromAnyThread)
{
    auto *logView = find<QPlainTextEdit>("textBrowserLogs");
    emit window->writeLog("first");
    EXPECT_TRUE(logView->toPlainText().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !logView->toPlainText().isEmpty(); }))
        << "the refresh tick appends the line by itself";

    std::thread other([&] {
        for (int i = 0; i < 200; ++i)
            emit window->writeLog(QString("other %1").arg(i));
    });
    for (int i = 0; i < 200; ++i)
        emit window->writeLog(QString("gui %1").arg(i));
    other.join();

    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 401);
    EXPECT_EQ(lines.first(), "first");
    int nextGui = 0;
    int nextOther = 0;
    for (const QString &line : lines.mid(1)) {
        if (line.startsWith("gui"))
            EXPECT_EQ(line, QString("gui %1").arg(nextGui++));
        else
            EXPECT_EQ(line, QString("other %1").arg(nextOther++));
    }
}

TEST_F(Shell, TimeStampPrefixesOnlyLinesAppendedWhileChecked)
{
    auto *logView = find<QPlainTextEdit>("textBrowserLogs");
    emit window->writeLog("abc");
    window->flushLog();
    find<QAbstractButton>("checkBoxShowTime")->setChecked(false);
    emit window->writeLog("abc");
    window->flushLog();

    const QStringList lines = logView->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(QRegularExpression(R"(^\[([01]\d|2[0-3]):[0-5]\d:[0-5]\d\.\d{3}\]: abc$)")
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], "abc");
}

TEST_F(Shell, LineLimitDropsTheOldestAndClearRestartsNumbering)
{
    find<QSpinBox>("spinBoxMaxLines")->setValue(100);
    for (int i = 1; i <= 101; ++i)
        emit window->writeLog(QString("line %1").arg(i));
    QStringList lines = log();
    ASSERT_EQ(lines.size(), 100);
    EXPECT_EQ(lines.first(), "line 2");
    EXPECT_EQ(lines.last(), "line 101");

    click("pushButtonClear");
    emit window->writeLog("after clear");
    lines = log();
    EXPECT_EQ(lines, QStringList{"after clear"});
    EXPECT_EQ(find<QPlainTextEdit>("textBrowserLogs")->document()->firstBlock().blockNumber(), 0);
}

TEST_F(Shell, ScrollDownShowsTheNewestLine)
{
    auto *logView = find<QPlainTextEdit>("textBrowserLogs");
    for (int i = 0; i < 300; ++i)
        emit window->writeLog("line");
    log();
    logView->verticalScrollBar()->setValue(0);
    click("pushButtonSerialLogScrollown");
    EXPECT_EQ(logView->verticalScrollBar()->value(), logView->verticalScrollBar()->maximum());
    EXPECT_GT(logView->verticalScrollBar()->maximum(), 0);
}

TEST_F(Shell, MessageBoxIconsButtonsAndAnswers)
{
    struct Case
    {
        int type;
        QMessageBox::Icon icon;
    } cases[] = {{MsgInformation, QMessageBox::Information},
                 {MsgWarning, QMessageBox::Warning},
                 {MsgCritical, QMessageBox::Critical},
                 {MsgNoIcon, QMessageBox::NoIcon},
                 {7, QMessageBox::Information},
                 {-1, QMessageBox::Information}};
    for (const Case &c : cases) {
        MessageBoxAnswerer answerer;
        window->QMessageBoxWindow(static_cast<QMessageBoxType>(c.type), "Title", "Text");
        ASSERT_EQ(answerer.seen().size(), 1);
        EXPECT_EQ(answerer.seen()[0].icon, c.icon) << c.type;
        EXPECT_EQ(answerer.seen()[0].title, "Title");
        EXPECT_EQ(answerer.seen()[0].text, "Text");
    }

    MessageBoxAnswerer answerer({QMessageBox::Yes, QMessageBox::No});
    EXPECT_EQ(window->QMessageBoxWindow(MsgQuestion, "Question", "Sure?"), QMessageBox::Yes);
    EXPECT_EQ(window->QMessageBoxWindow(MsgQuestion, "Question", "Sure?"), QMessageBox::No);
    EXPECT_EQ(answerer.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answerer.seen()[0].icon, QMessageBox::Question);
}

// Update check: a stand-in updater records each start as one line of
// arguments separated by '|'.
class UpdateCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake::Device::instance().reset();
        savedPath = qgetenv("PATH");
        ASSERT_TRUE(dir.isValid());
        record = dir.filePath("starts.txt");
    }
    void TearDown() override { qputenv("PATH", savedPath); }

    void installRecordingUpdater()
    {
        writeScript(dir.filePath("QUpdater"),
                    "IFS='|'; echo \"$*\" >> '" + record.toLocal8Bit() + "'\n");
        qputenv("PATH", dir.path().toLocal8Bit() + ":" + savedPath);
    }

    QStringList starts() const
    {
        QFile file(record);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    QString record;
    QByteArray savedPath;
};

TEST_F(UpdateCheck, RunsHiddenOnceAfterStartAndShownOnEachMenuUse)
{
    installRecordingUpdater();
    QElapsedTimer sinceConstruction;
    sinceConstruction.start();
    MainWindow window;
    ASSERT_TRUE(waitUntil([&] { return starts().size() == 1; }));
    // A coarse timer may fire up to 5 % early, never sooner.
    EXPECT_GE(sinceConstruction.elapsed(), 475) << "started before the half second";

    const QStringList args = starts()[0].split('|');
    ASSERT_EQ(args.size(), 6);
    EXPECT_EQ(args[0], QString::number(QCoreApplication::applicationPid()));
    EXPECT_TRUE(args[1].startsWith("https://")) << args[1].toStdString();
    EXPECT_TRUE(args[1].endsWith(":443/ORVIK_IMU/updates.json"));
    EXPECT_EQ(args[2], "ORVIK-IMU");
    EXPECT_EQ(args[3], "0.3");
    EXPECT_EQ(args[4], "\"" + QDir(QCoreApplication::applicationDirPath()).path() + "\"");
    EXPECT_EQ(args[5], "hide");

    QAction *upgrade = window.findChild<QAction *>("actionUpgrade");
    upgrade->trigger();
    upgrade->trigger();
    ASSERT_TRUE(waitUntil([&] { return starts().size() == 3; }));
    EXPECT_TRUE(starts()[1].endsWith("|show"));
    EXPECT_TRUE(starts()[2].endsWith("|show"));
    // The start-up check is a single shot of 500 ms that has already fired; a
    // second one would fire within another 500 ms.
    QTest::qWait(600);
    EXPECT_EQ(starts().size(), 3) << "the start-up check ran again";
}

TEST_F(UpdateCheck, AMissingUpdaterIsReportedInTheLog)
{
    qputenv("PATH", dir.path().toLocal8Bit());
    MainWindow window;
    // A log nobody sees holds its lines until it is seen.
    window.show();
    auto *logView = window.findChild<QPlainTextEdit *>("textBrowserLogs");
    ASSERT_TRUE(waitUntil([&] { return logView->toPlainText().contains("updater"); }));
    window.findChild<QAction *>("actionUpgrade")->trigger();
    window.flushLog();
    const QStringList lines = logView->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 2);
    for (const QString &line : lines)
        EXPECT_TRUE(line.endsWith("]: Failed to start the updater.")) << line.toStdString();
}

TEST(ShellLifetime, AWindowClosedBeforeTheUpdateCheckIsNotCalledBack)
{
    fake::Device::instance().reset();
    {
        MainWindow window;
    }
    // Would crash if the start-up check, due 500 ms after construction,
    // outlived its window.
    QTest::qWait(700);
    SUCCEED();
}
