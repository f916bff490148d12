// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the real window as a person runs it: shown on an X server at
// 1600 x 1000, connected through the real device library to imu-sim, log
// lines on, streaming and plotting. For each rate it measures the window
// connected but idle, then streaming, for the same number of seconds:
// process CPU (share of one core), the X server's CPU, the GUI thread's
// event-loop lag, resident memory, and the samples the module delivered.
//
//   window_bench [--seconds S] [--warmup W] [--rate R]... [--label NAME] [--no-header]
//
// Defaults: 10 s, 3 s, rates 200 2000 20000, label "this". Uses $DISPLAY when
// set, else starts its own Xvfb. imu-sim's --rate sets the stream's rate
// whatever rate code the window's "DataRate" box sends. Prints one Markdown
// table row per rate; window-bench.sh alternates two builds of this driver.
#include "event_loop_lag.h"
#include "mainwindow.h"
#include "process_stats.h"
#include "x_display.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWindow>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr int windowWidth = 1600;
constexpr int windowHeight = 1000;
constexpr int setUpLimitMs = 30000;

struct Options
{
    double seconds = 10;
    double warmupSeconds = 3;
    std::vector<double> rates;
    QString label = "this";
    bool header = true;
};

struct PhaseFigures
{
    std::optional<double> cpuPercent;
    std::optional<double> serverCpuPercent;
    std::vector<double> lateness;
    double residentMiB = 0;
    double paintPassesPerSecond = 0;
};

struct RateFigures
{
    double rate = 0;
    PhaseFigures idle;
    PhaseFigures streaming;
    double deliveredPerSecond = 0;
    long long skipped = 0;
};

// The module's own account of the stream, from what imu-sim reports on exit.
struct StreamAccount
{
    long long sent = 0;
    long long skipped = 0;
};

// Thrown to end the run; unwinding ends the simulator and our own X server.
struct Failure
{
    QString what;
};

[[noreturn]] void fail(const QString &what)
{
    throw Failure{what};
}

void runFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

Options parseOptions(const QStringList &args)
{
    Options options;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const auto value = [&] {
            if (i + 1 >= args.size())
                fail(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--seconds")
            options.seconds = value().toDouble();
        else if (arg == "--warmup")
            options.warmupSeconds = value().toDouble();
        else if (arg == "--rate")
            options.rates.push_back(value().toDouble());
        else if (arg == "--label")
            options.label = value();
        else if (arg == "--no-header")
            options.header = false;
        else
            fail("unknown option " + arg +
                 " (usage: window_bench [--seconds S] [--warmup W] [--rate R]... "
                 "[--label NAME] [--no-header])");
    }
    if (options.rates.empty())
        options.rates = {200, 2000, 20000};
    if (options.seconds <= 0 || options.warmupSeconds < 0)
        fail("--seconds must be positive and --warmup not negative");
    for (double rate : options.rates)
        if (rate <= 0)
            fail("rates must be positive");
    return options;
}

// imu-sim streaming at a fixed rate in a private rendezvous folder, which
// the device library finds through IMU_SIM_DIR.
class Simulator
{
public:
    Simulator(const QString &folder, double rate)
    {
        process.start(IMU_SIM_PROGRAM, {"--dir", folder, "--rate", QString::number(rate)});
        process.waitForStarted(setUpLimitMs);
        const QString port = folder + "/port-" + QString::number(process.processId());
        if (!runUntil([&] { return QFile::exists(port); }, setUpLimitMs))
            fail("imu-sim did not publish its port");
    }

    StreamAccount stop()
    {
        process.terminate();
        if (!process.waitForFinished(setUpLimitMs))
            fail("imu-sim did not end");
        static const QRegularExpression summary(R"((\d+) samples sent, (\d+) skipped)");
        const auto match = summary.match(QString::fromLocal8Bit(process.readAllStandardError()));
        if (!match.hasMatch())
            fail("imu-sim did not report what it sent");
        return {match.captured(1).toLongLong(), match.captured(2).toLongLong()};
    }

private:
    QProcess process;
};

// Counts the window's paint passes: each repaints what became dirty since
// the last one and hands it to the X server.
class PaintPassCounter : public QObject
{
public:
    explicit PaintPassCounter(QWidget &window) : window(window) { window.installEventFilter(this); }
    ~PaintPassCounter() override { window.removeEventFilter(this); }
    int passes() const { return count; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            ++count;
        return false;
    }

private:
    QWidget &window;
    int count = 0;
};

// Measures the window while the event loop runs for `seconds`.
PhaseFigures measure(QWidget &window, double seconds, std::optional<pid_t> serverPid)
{
    PaintPassCounter paintPasses(window);
    procstats::CpuMeter self(getpid());
    std::optional<procstats::CpuMeter> server;
    if (serverPid)
        server.emplace(*serverPid);
    const bool serverReadable = server && server->start();
    self.start();
    QElapsedTimer clock;
    clock.start();

    PhaseFigures figures;
    figures.lateness = timerLateness(seconds);
    const double wallSeconds = clock.elapsed() / 1000.0;
    figures.cpuPercent = self.percentSince(wallSeconds);
    if (serverReadable)
        figures.serverCpuPercent = server->percentSince(wallSeconds);
    const auto residentKiB =
        procstats::residentKiB(procstats::readText("/proc/self/status")).value_or(0);
    figures.residentMiB = residentKiB / 1024.0;
    figures.paintPassesPerSecond = paintPasses.passes() / wallSeconds;
    return figures;
}

QAbstractButton *button(MainWindow &window, const char *name)
{
    auto *found = window.findChild<QAbstractButton *>(name);
    if (!found)
        fail(QString("the window has no button %1").arg(name));
    return found;
}

// One fresh window against one fresh simulator: connected and idle, then
// streaming and plotting with the log lines on (the form's default).
RateFigures measureRate(const QString &folder, double rate, const Options &options,
                        std::optional<pid_t> serverPid)
{
    Simulator simulator(folder, rate);
    MainWindow window;
    window.resize(windowWidth, windowHeight);
    window.show();
    if (!runUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); },
                  setUpLimitMs))
        fail("the window was not shown");

    QAbstractButton *connectButton = button(window, "pushButtonSerialConnect");
    QAbstractButton *receiveButton = button(window, "pushButtonStartRecv");
    QAbstractButton *plotButton = button(window, "pushButtonStartPlot");
    if (!button(window, "checkBox_display")->isChecked())
        fail("the log switch is off in the form");
    connectButton->click();
    if (!connectButton->isChecked())
        fail("the window did not connect to imu-sim");

    RateFigures figures;
    figures.rate = rate;
    runFor(options.warmupSeconds);
    figures.idle = measure(window, options.seconds, serverPid);

    QElapsedTimer streamClock;
    streamClock.start();
    receiveButton->click();
    if (!receiveButton->isChecked())
        fail("the module refused to start its stream");
    plotButton->click();
    runFor(options.warmupSeconds);
    figures.streaming = measure(window, options.seconds, serverPid);
    receiveButton->click();
    const double streamedSeconds = streamClock.elapsed() / 1000.0;
    plotButton->click();
    connectButton->click();

    const StreamAccount account = simulator.stop();
    figures.deliveredPerSecond = account.sent / streamedSeconds;
    figures.skipped = account.skipped;
    return figures;
}

QString percentText(const std::optional<double> &percent)
{
    return percent ? QString::number(*percent, 'f', 1) : QString("n/a");
}

QString lagText(const std::vector<double> &lateness)
{
    return QString("%1/%2/%3")
        .arg(percentile(lateness, 0.5))
        .arg(percentile(lateness, 0.99))
        .arg(percentile(lateness, 1.0));
}

void printHeader(const XDisplay &display, const Options &options)
{
    std::printf("# display %s (%s), window %dx%d, %g s per phase after %g s warm-up, "
                "load average %s",
                display.name().c_str(), display.ownServer() ? "own Xvfb" : "from $DISPLAY",
                windowWidth, windowHeight, options.seconds, options.warmupSeconds,
                procstats::readText("/proc/loadavg").c_str());
    std::printf(
        "| build | rate/s | delivered/s | skipped | CPU %% idle | CPU %% streaming "
        "| X CPU %% idle | X CPU %% streaming | lag p50/p99/max ms idle "
        "| lag streaming | RSS MiB idle | RSS MiB streaming | paint passes/s streaming |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
}

void printRow(const QString &label, const RateFigures &f)
{
    std::printf("| %s | %.0f | %.0f | %lld | %s | %s | %s | %s | %s | %s | %.1f | %.1f | %.0f |\n",
                qPrintable(label), f.rate, f.deliveredPerSecond, f.skipped,
                qPrintable(percentText(f.idle.cpuPercent)),
                qPrintable(percentText(f.streaming.cpuPercent)),
                qPrintable(percentText(f.idle.serverCpuPercent)),
                qPrintable(percentText(f.streaming.serverCpuPercent)),
                qPrintable(lagText(f.idle.lateness)), qPrintable(lagText(f.streaming.lateness)),
                f.idle.residentMiB, f.streaming.residentMiB, f.streaming.paintPassesPerSecond);
    std::fflush(stdout);
}

// Closes any message box the window opens, so that a failure shows up as a
// line on standard error instead of a run that hangs.
void closeMessageBoxes()
{
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        std::fprintf(stderr, "window_bench: the window said \"%s\"\n", qPrintable(box->text()));
        box->done(QMessageBox::Ok);
    }
}

int run(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const Options options = parseOptions(args);
    XDisplay display;
    std::string displayError;
    if (!display.open(windowWidth, windowHeight, setUpLimitMs, displayError))
        fail(QString::fromStdString(displayError));
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("IMU_SERIAL_PORT");

    QApplication app(argc, argv);
    QTemporaryDir rendezvous; // private (0700), as the device library requires
    qputenv("IMU_SIM_DIR", rendezvous.path().toLocal8Bit());
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, &closeMessageBoxes);
    boxCloser.start(100);

    if (options.header)
        printHeader(display, options);
    for (double rate : options.rates)
        printRow(options.label, measureRate(rendezvous.path(), rate, options, display.serverPid()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "window_bench: %s\n", qPrintable(failure.what));
        return 1;
    }
}
