// The Tools menu's noise analysis in the window: a calibration-mode file of
// white noise of known density analysed into its tabs and tables, what is
// refused with one box, and a run cancelled.
#include "prompts/file_dialogs.h"
#include "recording/csv_format.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QDialog>
#include <QTabWidget>
#include <QTableWidget>

#include <cmath>
#include <random>

namespace {

constexpr double kRate = 200;
// Chip 1's gyroscope noise, deg/s per sample, and so its density N.
constexpr double kSigma = 0.05;
const double kDensity = kSigma / std::sqrt(kRate);

QByteArray stillRecording(int records)
{
    std::mt19937 generator(5);
    std::normal_distribution<float> noise(0, 1);
    const auto vector = [&](float sigma, float offset) {
        return IMUserial::vec3{offset + sigma * noise(generator), sigma * noise(generator),
                               sigma * noise(generator)};
    };
    std::string text = recording::csv::calibrationHeader(QDateTime::currentDateTime());
    for (int i = 0; i < records; ++i) {
        recording::CalibrationRecord record{std::uint64_t(i), i / kRate, {}, 0};
        record.data.gyr1 = vector(kSigma, 0);
        record.data.acc1 = vector(0.02f, 9.81f);
        record.data.gyr2 = vector(2 * kSigma, 0);
        record.data.acc2 = vector(0.04f, 9.81f);
        recording::csv::appendRow(text, record);
    }
    return QByteArray::fromStdString(text);
}

} // namespace

class NoiseAnalysis : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        prompts::replaceFileDialogs([this](const prompts::FileQuestion &) { return opened; },
                                    [this](const prompts::FileQuestion &) { return saved; });
    }

    void TearDown() override
    {
        prompts::replaceFileDialogs({}, {});
        WindowTest::TearDown();
    }

    void openCsv(const QByteArray &content)
    {
        opened = files.filePath("still.csv");
        QFile file(opened);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        find<QAction>("actionNoiseOfCsvFile")->trigger();
    }

    QDialog *noiseWindow() { return window->findChild<QDialog *>("noiseAnalysisWindow"); }
    bool runGone() { return !window->findChild<QObject *>("noiseAnalysisRun"); }

    QTemporaryDir files;
    QString opened;
    QString saved;
};

TEST_F(NoiseAnalysis, AFileOfBothChipsGetsATabEachTheirParametersAndACompareTab)
{
    openCsv(stillRecording(12000));
    QTabWidget *tabs = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        tabs = noiseWindow() ? noiseWindow()->findChild<QTabWidget *>("tabWidgetNoise") : nullptr;
        return tabs && tabs->count() > 0;
    }));
    QStringList titles;
    for (int tab = 0; tab < tabs->count(); ++tab)
        titles << tabs->tabText(tab);
    EXPECT_EQ(titles, (QStringList{"Chip 1 gyroscope", "Chip 1 accelerometer", "Chip 2 gyroscope",
                                   "Chip 2 accelerometer", "Compare"}));
    const auto *table = tabs->widget(0)->findChild<QTableWidget *>();
    EXPECT_NEAR(table->item(0, 0)->text().toDouble(), kDensity, 0.1 * kDensity);
    EXPECT_TRUE(noiseWindow()->isVisible());

    saved = files.filePath("plot.png");
    find<QAbstractButton>("pushButtonNoiseSaveImage")->click();
    EXPECT_TRUE(QFile::exists(saved));
    find<QAbstractButton>("pushButtonNoiseCopyTable")->click();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("Compare\n\tN chip 1\tN chip 2"));
}

struct Refused
{
    const char *what;
    std::function<QByteArray()> content; // none: the empty recording
    QString boxText;
};

class RefusedAnalysis : public NoiseAnalysis, public ::testing::WithParamInterface<Refused>
{
};

TEST_P(RefusedAnalysis, GivesOneBoxAndNoWindow)
{
    MessageBoxAnswerer answerer;
    if (GetParam().content)
        openCsv(GetParam().content());
    else
        find<QAction>("actionNoiseOfRecording")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !answerer.seen().isEmpty() && runGone(); }));
    EXPECT_TRUE(answerer.texts().value(0).startsWith(GetParam().boxText))
        << answerer.texts().join(" | ").toStdString();
    EXPECT_TRUE(waitUntil([&] { return !noiseWindow(); }));
    EXPECT_EQ(answerer.seen().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    , RefusedAnalysis,
    ::testing::Values(Refused{"another program's file",
                              [] { return QByteArray("time,value\n0,1\n"); }, "still.csv: line 1"},
                      Refused{"too short", [] { return stillRecording(50); },
                              "still.csv: 50 samples"},
                      Refused{"nothing recorded", {}, "Nothing has been recorded yet."}),
    [](const auto &info) {
        return QString(info.param.what).replace(QRegularExpression("[^a-z]"), "").toStdString();
    });

TEST_F(NoiseAnalysis, CancelStopsTheRunAndClosesTheWindow)
{
    MessageBoxAnswerer answerer;
    openCsv(stillRecording(12000));
    find<QAbstractButton>("pushButtonNoiseCancel")->click();
    EXPECT_TRUE(waitUntil([&] { return runGone() && !noiseWindow(); }));
    EXPECT_TRUE(answerer.seen().isEmpty());
}
