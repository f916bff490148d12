// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu: the log and the chart saved and printed, and Quit against
// the module simulator.
#include "chart/chart_image.h"
#include "end_to_end_fixture.h"
#include "filemenu/printing.h"
#include "filemenu/suggested_path.h"
#include "prompts/file_dialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPrinter>
#include <QSet>

#include <qcustomplot.h>

using chart::ImageFormat;

TEST(ChartImageNames, TheExtensionChoosesTheFormatAndAnyOtherNameGetsPng)
{
    EXPECT_EQ(chart::imageFormatFor("/d/chart.png"), ImageFormat::Png);
    EXPECT_EQ(chart::imageFormatFor("/d/chart.JPG"), ImageFormat::Jpg);
    EXPECT_EQ(chart::imageFormatFor("/d/chart.jpeg"), ImageFormat::Jpg);
    EXPECT_EQ(chart::imageFormatFor("/d/chart.Bmp"), ImageFormat::Bmp);
    EXPECT_EQ(chart::imageFormatFor("/d/chart.pdf"), ImageFormat::Pdf);
    EXPECT_EQ(chart::imageFormatFor("/d/chart.tiff"), ImageFormat::Png);
    EXPECT_EQ(chart::imageFormatFor("/d/chart"), ImageFormat::Png);

    EXPECT_EQ(chart::withImageSuffix("/d/chart.PDF"), "/d/chart.PDF");
    EXPECT_EQ(chart::withImageSuffix("/d/chart.tiff"), "/d/chart.tiff.png");
    EXPECT_EQ(chart::withImageSuffix("/d/chart"), "/d/chart.png");
    // Only the file's own name counts, not a folder's.
    EXPECT_EQ(chart::withImageSuffix("/d/plots.pdf/chart"), "/d/plots.pdf/chart.png");
}

TEST(SuggestedPath, NamesTheContentAndTheMomentToTheSecond)
{
    const QDateTime when(QDate(2024, 3, 7), QTime(9, 5, 2));
    EXPECT_EQ(QFileInfo(filemenu::suggestedPath("log", "txt", when)).fileName(),
              "orvik-imu-log-20240307-090502.txt");
    EXPECT_EQ(QFileInfo(filemenu::suggestedPath("graph", "png", when)).fileName(),
              "orvik-imu-graph-20240307-090502.png");
}

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isPdf(const QString &path)
{
    return contentOf(path).startsWith("%PDF-");
}

} // namespace

// The window with the save and print dialogs answered by the test.
class FileMenu : public WindowHarness
{
protected:
    void SetUp() override
    {
        WindowHarness::SetUp();
        ASSERT_TRUE(files.isValid());
        prompts::replaceFileDialogs({}, [this](const prompts::FileQuestion &question) {
            questions.append(question);
            return savePath;
        });
    }

    void TearDown() override
    {
        prompts::replaceFileDialogs({}, {});
        filemenu::replacePrintDialog({});
        WindowHarness::TearDown();
    }

    void trigger(const char *action) { find<QAction>(action)->trigger(); }

    // Saves through `action` to `path`; the message boxes it showed.
    QList<SeenMessageBox> saveAs(const char *action, const QString &path)
    {
        savePath = path;
        MessageBoxAnswerer answerer;
        trigger(action);
        return answerer.seen();
    }

    // Prints through `action`, the print dialog set to a PDF file at `path`
    // and then accepted or cancelled.
    QList<SeenMessageBox> printTo(const char *action, const QString &path, bool accepted = true)
    {
        filemenu::replacePrintDialog([path, accepted](const filemenu::PrintQuestion &question) {
            question.printer->setOutputFormat(QPrinter::PdfFormat);
            question.printer->setOutputFileName(path);
            return accepted;
        });
        MessageBoxAnswerer answerer;
        trigger(action);
        return answerer.seen();
    }

    QCustomPlot *chart() { return find<QCustomPlot>("widgetChart"); }
    QSet<QString> filesThere() const
    {
        const QStringList names = QDir(files.path()).entryList(QDir::Files);
        return {names.begin(), names.end()};
    }
    // A path whose folder is a regular file: no write there can succeed,
    // even as root.
    QString pathUnderAFile(const QString &name)
    {
        QFile blocker(files.filePath("not-a-folder"));
        EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
        return blocker.fileName() + "/" + name;
    }

    QTemporaryDir files;
    QString savePath;
    QList<prompts::FileQuestion> questions;
};

TEST_F(FileMenu, SaveLogWritesEveryEmittedLineAsUtf8ToANonAsciiPathWithBlanks)
{
    const QString folder = files.filePath("Meßwerte über Zeit 温度");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/log of today.txt";
    emit window->writeLog("first line");
    window->flushLog();
    // Emitted just before saving, not yet shown: the save must include it.
    emit window->writeLog("Grüße 温度 ±1.5°");

    EXPECT_TRUE(saveAs("actionSave_As", path).isEmpty());
    const QByteArray saved = contentOf(path);
    EXPECT_EQ(saved, find<QPlainTextEdit>("textBrowserLogs")->toPlainText().toUtf8())
        << "the text as shown, nothing added";
    EXPECT_TRUE(QString::fromUtf8(saved).endsWith("Grüße 温度 ±1.5°"));
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(QFileInfo(questions[0].suggestedPath).fileName().startsWith("orvik-imu-log-"));
}

TEST_F(FileMenu, AFailedOrCancelledSaveLeavesNoFileAndAFailureIsShown)
{
    emit window->writeLog("a line");
    for (const char *action : {"actionSave_As", "actionImage"}) {
        const QString path = pathUnderAFile("saved.png");
        const QList<SeenMessageBox> boxes = saveAs(action, path);
        ASSERT_EQ(boxes.size(), 1) << action;
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(boxes[0].text.startsWith("Could not save " + QDir::toNativeSeparators(path)))
            << boxes[0].text.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path));

        EXPECT_TRUE(saveAs(action, QString()).isEmpty()) << "a cancelled dialog says nothing";
    }
    EXPECT_EQ(filesThere(), QSet<QString>{"not-a-folder"});
}

TEST_F(FileMenu, SaveGraphWritesTheFormatItsNameAsksForAtTheChartsSize)
{
    chart()->graph(0)->addData({0, 1, 2}, {0.5, -0.5, 0.25});
    chart()->replot();
    const QSize onScreen = chart()->size();

    // The format each name gets, read back from the bytes written.
    const auto savedAs = [&](const QString &name, const QString &written) {
        EXPECT_TRUE(saveAs("actionImage", files.filePath(name)).isEmpty()) << name.toStdString();
        return QImageReader(files.filePath(written)).format();
    };
    EXPECT_EQ(savedAs("chart.png", "chart.png"), "png");
    EXPECT_EQ(QImage(files.filePath("chart.png")).size(), onScreen);
    EXPECT_EQ(savedAs("chart.JPEG", "chart.JPEG"), "jpeg");
    EXPECT_EQ(savedAs("chart.bmp", "chart.bmp"), "bmp");
    EXPECT_TRUE(saveAs("actionImage", files.filePath("chart.pdf")).isEmpty());
    EXPECT_TRUE(isPdf(files.filePath("chart.pdf")));
    // No or an unknown extension: PNG, under the name with ".png" added.
    EXPECT_EQ(savedAs("plain", "plain.png"), "png");
    EXPECT_EQ(savedAs("odd.tiff", "odd.tiff.png"), "png");

    // Nothing else is left beside them, such as a file drawn on the way.
    EXPECT_EQ(filesThere(), (QSet<QString>{"chart.png", "chart.JPEG", "chart.bmp", "chart.pdf",
                                           "plain.png", "odd.tiff.png"}));
    ASSERT_FALSE(questions.isEmpty());
    EXPECT_TRUE(QFileInfo(questions[0].suggestedPath).fileName().startsWith("orvik-imu-graph-"));
}

TEST_F(FileMenu, PrintLogAndGraphGoToThePrinterChosenAndACancelledDialogPrintsNothing)
{
    emit window->writeLog("printed line");
    chart()->graph(0)->addData({0, 1}, {1, 2});
    for (const char *action : {"actionPrint_log", "actionPrint_Graph"}) {
        const QString pdf = files.filePath(QString(action) + ".pdf");
        EXPECT_TRUE(printTo(action, pdf).isEmpty()) << action;
        EXPECT_TRUE(isPdf(pdf)) << action;
        EXPECT_GT(QFileInfo(pdf).size(), 500) << action;

        const QString cancelled = files.filePath(QString(action) + "-cancelled.pdf");
        EXPECT_TRUE(printTo(action, cancelled, false).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(cancelled)) << action;

        const QList<SeenMessageBox> failed = printTo(action, pathUnderAFile("out.pdf"));
        ASSERT_EQ(failed.size(), 1) << action << ": a printer that cannot start is reported";
        EXPECT_EQ(failed[0].icon, QMessageBox::Critical);
    }
    EXPECT_EQ(filesThere(),
              (QSet<QString>{"actionPrint_log.pdf", "actionPrint_Graph.pdf", "not-a-folder"}));
}

namespace {

// The processes this one started and that have not been reaped.
QSet<QString> childProcesses()
{
    QSet<QString> children;
    for (const QString &task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString &pid :
             QString::fromLatin1(contentOf("/proc/self/task/" + task + "/children"))
                 .split(' ', Qt::SkipEmptyParts))
            children.insert(pid);
    return children;
}

// Whether this process holds a descriptor on `device`.
bool holdsOpen(const std::string &device)
{
    const QString path = QString::fromStdString(device);
    for (const QFileInfo &descriptor : QDir("/proc/self/fd").entryInfoList(QDir::System))
        if (descriptor.symLinkTarget() == path)
            return true;
    return false;
}

} // namespace

TEST_F(EndToEnd, QuitEndsTheApplicationAsTheCloseButtonDoesAndReleasesThePort)
{
    const QSet<QString> childrenBefore = childProcesses();
    connectToSimulator();
    click("pushButtonStartRecv");
    ASSERT_TRUE(waitUntil([&] { return log().size() > 3; }));
    ASSERT_TRUE(holdsOpen(simulator->devicePath()));

    // The application's event loop, as main() runs it, ends with the window
    // closed; the bound only stops a loop that would never end.
    QTimer::singleShot(0, window.get(), [&] { find<QAction>("actionQuit")->trigger(); });
    QTimer runaway;
    runaway.callOnTimeout([] { QApplication::exit(1); });
    runaway.start(10000);
    EXPECT_EQ(QApplication::exec(), 0) << "the last window closed ends the application";
    EXPECT_FALSE(window->isVisible());

    // What main() does next.
    window.reset();
    EXPECT_FALSE(holdsOpen(simulator->devicePath()));
    EXPECT_EQ(childProcesses(), childrenBefore) << "nothing started is left running";
}
