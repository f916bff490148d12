// SPDX-License-Identifier: GPL-3.0-or-later
// The Tools menu's noise analysis in the window: a calibration-mode file of
// white noise of known density analysed into its tabs and tables, what is
// refused with one box, and a run cancelled.
#include "prompts/file_dialogs.h"
#include "recording/csv_format.h"
#include "synthetic_noise.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QDialog>
#include <QTabWidget>
#include <QTableWidget>

namespace {

constexpr double kRate = 200;
// Chip 1's gyroscope white-noise density; chip 2 and the accelerometers differ.
constexpr double kDensity = 0.004;

// Each axis of each sensor of both chips still, with white noise only.
QByteArray stillRecording(double seconds)
{
    std::vector<std::vector<double>> axes;
    for (int channel = 0; channel < 12; ++channel)
        axes.push_back(noisetest::stillReadings({kDensity * (1 + channel / 3)}, kRate, seconds,
                                                unsigned(channel)));
    const auto vector = [&](int first, std::size_t i) {
        return IMUserial::vec3{float(axes[first][i]), float(axes[first + 1][i]),
                               float(axes[first + 2][i])};
    };
    std::string text = recording::csv::calibrationHeader(QDateTime::currentDateTime());
    for (std::size_t i = 0; i < axes[0].size(); ++i) {
        recording::CalibrationRecord record{i, i / kRate, {}, 0};
        record.data.gyr1 = vector(0, i);
        record.data.acc1 = vector(3, i);
        record.data.gyr2 = vector(6, i);
        record.data.acc2 = vector(9, i);
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
    openCsv(stillRecording(60));
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

    find<QAbstractButton>("checkBoxNoiseSpectra")->click();
    EXPECT_TRUE(tabs->currentWidget()->findChild<QWidget *>("spectrumPlot")->isVisible());
    saved = files.filePath("spectrum.png");
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
                      Refused{"too short", [] { return stillRecording(0.25); },
                              "still.csv: 50 samples"},
                      Refused{"nothing recorded", {}, "Nothing has been recorded yet."}),
    [](const auto &info) {
        return QString(info.param.what).replace(QRegularExpression("[^a-z]"), "").toStdString();
    });

TEST_F(NoiseAnalysis, CancelStopsTheRunAndClosesTheWindow)
{
    MessageBoxAnswerer answerer;
    openCsv(stillRecording(60));
    find<QAbstractButton>("pushButtonNoiseCancel")->click();
    EXPECT_TRUE(waitUntil([&] { return runGone() && !noiseWindow(); }));
    EXPECT_TRUE(answerer.seen().isEmpty());
}
