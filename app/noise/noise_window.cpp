// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/noise_window.h"

#include "chart/chart_image.h"
#include "filemenu/suggested_path.h"
#include "noise/noise_plots.h"
#include "noise/parameter_table.h"
#include "prompts/file_dialogs.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace noise {

namespace {

constexpr int kShowAfterMs = 300;
// A sensor's page has its plots in a stack of this name: the tab widget has
// a stack of its own.
const QString kPlotsName = QStringLiteral("noisePlots");
const QString kTitle = QStringLiteral("Noise analysis");
const QString kHowRead = QStringLiteral(
    "N: the −½ line at τ = 1 s. B: the flat minimum over 0.664. K: the +½ line at τ = 3 s. "
    "Dashed: the fitted lines, over the τ they were read from. Point at a value for its "
    "range, or for why it is not resolved.");
const QString kSharedAxes =
    QStringLiteral("The two chips' plots of one sensor share their axes' ranges.");

QPushButton *button(const char *name, const QString &text)
{
    auto *created = new QPushButton(text);
    created->setObjectName(name);
    return created;
}

QString lengthText(double seconds, double rate)
{
    return QStringLiteral("%1 s at %2 Hz").arg(seconds, 0, 'f', 0).arg(rate, 0, 'g', 4);
}

QWidget *sensorPage(const SensorChannels &channels, const PlotRanges &ranges)
{
    QTableWidget *table = parameterTable(channels);
    auto *howRead = new QLabel(kHowRead);
    howRead->setWordWrap(true);
    howRead->setMaximumWidth(table->sizeHint().width());
    auto *side = new QVBoxLayout;
    side->addWidget(table);
    side->addWidget(howRead);
    side->addStretch();
    auto *page = new QWidget;
    auto *layout = new QHBoxLayout(page);
    auto *plots = new QStackedWidget;
    plots->setObjectName(kPlotsName);
    plots->addWidget(allanPlot(channels, ranges));
    plots->addWidget(spectrumPlot(channels));
    layout->addWidget(plots, 1);
    layout->addLayout(side);
    return page;
}

QWidget *comparisonPage(const std::vector<SensorChannels> &sensors)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(comparisonTable(sensors));
    layout->addWidget(new QLabel(kSharedAxes));
    layout->addStretch();
    return page;
}

} // namespace

NoiseWindow::NoiseWindow(AnalysisRun &run, QString sourceName, prompts::Prompter prompter,
                         QWidget *parent)
    : QDialog(parent), run_(&run), sourceName_(std::move(sourceName)),
      prompter_(std::move(prompter)), status_(new QLabel), tabs_(new QTabWidget)
{
    setObjectName("noiseAnalysisWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setWindowTitle(kTitle + QStringLiteral(": ") + sourceName_);
    status_->setObjectName("labelNoiseStatus");
    status_->setText(QStringLiteral("Reading %1…").arg(sourceName_));
    tabs_->setObjectName("tabWidgetNoise");
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(buildRunRow());
    layout->addWidget(tabs_, 1);
    layout->addWidget(buildButtonRow());
    resize(1200, 640);
    connect(&run, &AnalysisRun::channelsRead, this, &NoiseWindow::showChannelsRead);
    connect(&run, &AnalysisRun::progressed, this, &NoiseWindow::showProgress);
    connect(&run, &AnalysisRun::finished, this, &NoiseWindow::showOutcome);
    connect(tabs_, &QTabWidget::currentChanged, this, &NoiseWindow::enableSaveImage);
    showTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, &QWidget::show);
    showTimer_.start(kShowAfterMs);
}

NoiseWindow::~NoiseWindow()
{
    if (run_)
        run_->cancel();
}

QWidget *NoiseWindow::buildRunRow()
{
    runRow_ = new QWidget;
    progress_ = new QProgressBar;
    progress_->setObjectName("progressBarNoise");
    // Busy until the channels are read.
    progress_->setRange(0, 0);
    cancel_ = button("pushButtonNoiseCancel", tr("Cancel"));
    connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
    auto *layout = new QHBoxLayout(runRow_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(progress_, 1);
    layout->addWidget(cancel_);
    return runRow_;
}

QWidget *NoiseWindow::buildButtonRow()
{
    saveImage_ = button("pushButtonNoiseSaveImage", tr("Save image…"));
    copyTables_ = button("pushButtonNoiseCopyTable", tr("Copy table"));
    spectra_ = new QCheckBox(tr("Spectral density"));
    spectra_->setObjectName("checkBoxNoiseSpectra");
    spectra_->setToolTip(tr("The Welch spectrum of each axis in place of its Allan deviation"));
    saveImage_->setEnabled(false);
    copyTables_->setEnabled(false);
    spectra_->setEnabled(false);
    connect(spectra_, &QCheckBox::toggled, this, &NoiseWindow::showSpectra);
    connect(saveImage_, &QPushButton::clicked, this, &NoiseWindow::saveImage);
    connect(copyTables_, &QPushButton::clicked, this, &NoiseWindow::copyTables);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(saveImage_, QDialogButtonBox::ActionRole);
    buttons->addButton(copyTables_, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(spectra_);
    layout->addWidget(buttons, 1);
    return row;
}

void NoiseWindow::showChannelsRead(int channels, double seconds, double rate)
{
    status_->setText(QStringLiteral("Analysing %1: %2 channels, %3…")
                         .arg(sourceName_)
                         .arg(channels)
                         .arg(lengthText(seconds, rate)));
    progress_->setRange(0, 100);
}

void NoiseWindow::showProgress(int percent)
{
    progress_->setValue(percent);
}

void NoiseWindow::showOutcome()
{
    const RunOutcome outcome = run_->take();
    if (!outcome.analysis) {
        fail(outcome.error);
        return;
    }
    const Analysis &analysis = *outcome.analysis;
    status_->setText(QStringLiteral("From %1: %2, %3")
                         .arg(sourceName_, lengthText(analysis.seconds, analysis.rate),
                              outcome.raw ? tr("raw readings of both chips (calibration mode)")
                                          : tr("the calibrated stream of chip 1")));
    runRow_->hide();
    addTabs(analysis);
    copyTables_->setEnabled(true);
    spectra_->setEnabled(true);
    showTimer_.stop();
    show();
}

// Cancelled when there is no error: the window is closing already.
void NoiseWindow::fail(const QString &error)
{
    showTimer_.stop();
    hide();
    deleteLater();
    if (!error.isEmpty())
        prompter_.error(kTitle, error);
}

void NoiseWindow::addTabs(const Analysis &analysis)
{
    const std::vector<SensorChannels> sensors = bySensor(analysis);
    bool twoChips = false;
    for (const SensorChannels &channels : sensors) {
        tabs_->addTab(sensorPage(channels, rangesOf(sensors, channels.sensor)), titleOf(channels));
        twoChips = twoChips || channels.chip == 2;
    }
    if (twoChips)
        tabs_->addTab(comparisonPage(sensors), tr("Compare"));
    enableSaveImage();
}

QCustomPlot *NoiseWindow::shownPlot() const
{
    const QWidget *page = tabs_->currentWidget();
    const auto *plots = page ? page->findChild<QStackedWidget *>(kPlotsName) : nullptr;
    return plots ? qobject_cast<QCustomPlot *>(plots->currentWidget()) : nullptr;
}

void NoiseWindow::enableSaveImage()
{
    saveImage_->setEnabled(shownPlot());
}

void NoiseWindow::showSpectra(bool shown)
{
    for (QStackedWidget *plots : tabs_->findChildren<QStackedWidget *>(kPlotsName))
        plots->setCurrentIndex(shown ? 1 : 0);
}

void NoiseWindow::saveImage()
{
    QCustomPlot *plot = shownPlot();
    const QString chosen = prompts::saveFileName(
        this, tr("Save Noise Plot As"), chart::imageDialogFilter(),
        filemenu::suggestedPath("noise", "png", QDateTime::currentDateTime()));
    if (chosen.isEmpty())
        return;
    const QString failure = chart::saveImage(*plot, chart::withImageSuffix(chosen));
    if (!failure.isEmpty())
        prompter_.error("Error", failure);
}

void NoiseWindow::copyTables()
{
    QStringList blocks;
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        const auto *table = tabs_->widget(tab)->findChild<QTableWidget *>();
        blocks << tabs_->tabText(tab) + '\n' + tabSeparated(*table);
    }
    QGuiApplication::clipboard()->setText(blocks.join('\n'));
}

} // namespace noise
