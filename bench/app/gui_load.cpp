// SPDX-License-Identifier: GPL-3.0-or-later
// Measures what streaming costs the window's GUI thread: event-loop lag and
// CPU per sample at given sample rates with log, chart and read-outs on; the
// resident memory over a long run; and the chart's replot time.
//
//   gui_load rates SECONDS RATE...   lag and CPU per rate
//   gui_load soak MINUTES RATE       resident memory over time
//   gui_load replot                  replot of the last 10 s and of one hour
//   gui_load day [HOURS] [RATE]      HOURS (24) of RATE (200) samples/s fed as
//                                    fast as the chart takes them, on a driven
//                                    clock: memory, points and replot, beside
//                                    every point of the first hours kept
// GUI_LOAD_NO_LOG / GUI_LOAD_NO_PLOT in the environment leave the log lines or
// the chart out, to see what each costs; GUI_LOAD_VIEW=3d shows the 3D
// orientation view in the chart's place (the chart still takes the points).
#include "chart/chart_history.h"
#include "event_loop_lag.h"
#include "fake_device.h"
#include "mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <qcustomplot.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <time.h>
#include <vector>

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double threadCpuSeconds()
{
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

double processCpuSeconds()
{
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

long residentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The sample the benchmark sends as the n-th at `rate`.
IMUserial::sensor_data sampleAt(long n, double rate)
{
    IMUserial::sensor_data sample{};
    const float t = float(n) / float(rate);
    sample.angle = {30 * std::sin(t), 20 * std::cos(t), t};
    return sample;
}

// Fires samples at `rate` per second from its own thread, paced by absolute
// deadlines, until stopped.
class SampleSource
{
public:
    explicit SampleSource(double rate)
        : thread_([this, rate] {
              using Clock = std::chrono::steady_clock;
              const auto period = std::chrono::duration<double>(1.0 / rate);
              const Clock::time_point start = Clock::now();
              for (long n = 0; !stop_; ++n) {
                  std::this_thread::sleep_until(
                      start + std::chrono::duration_cast<Clock::duration>(period * n));
                  fake::Device::instance().emitSample(sampleAt(n, rate));
                  ++sent_;
              }
          })
    {
    }
    ~SampleSource()
    {
        stop_ = true;
        thread_.join();
    }
    long sent() const { return sent_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<long> sent_{0};
    std::thread thread_;
};

struct Window
{
    MainWindow window;
    QCustomPlot *chart = window.findChild<QCustomPlot *>("widgetChart");

    Window()
    {
        window.resize(1200, 613);
        window.show();
        window.findChild<QAbstractButton *>("pushButtonSerialConnect")->click();
        if (!qEnvironmentVariableIsSet("GUI_LOAD_NO_PLOT"))
            window.findChild<QAbstractButton *>("pushButtonStartPlot")->click();
        if (qEnvironmentVariableIsSet("GUI_LOAD_NO_LOG"))
            window.findChild<QAbstractButton *>("checkBox_display")->setChecked(false);
        if (qEnvironmentVariable("GUI_LOAD_VIEW") == "3d")
            window.findChild<QAction *>("action3D_orientation")->trigger();
    }
    int points() const { return chart->graph(0)->data()->size(); }
};

void measureRates(double seconds, const std::vector<double> &rates)
{
    std::printf("rate/s  lag p50 ms  lag p99 ms  GUI CPU %%  process CPU %%  GUI us/sample  points "
                "behind\n");
    for (double rate : rates) {
        Window w;
        SampleSource source(rate);
        timerLateness(1.0); // settle
        const double cpuStart = threadCpuSeconds();
        const double processStart = processCpuSeconds();
        const long sentStart = source.sent();
        QElapsedTimer wall;
        wall.start();
        const std::vector<double> lateness = timerLateness(seconds);
        const double cpu = threadCpuSeconds() - cpuStart;
        const double processCpu = processCpuSeconds() - processStart;
        const long samples = source.sent() - sentStart;
        const long behind = source.sent() - w.points();
        const double wallSeconds = wall.elapsed() / 1000.0;
        std::printf("%6.0f  %10.1f  %10.1f  %9.1f  %13.1f  %13.1f  %13ld\n", rate,
                    percentile(lateness, 0.5), percentile(lateness, 0.99),
                    100.0 * cpu / wallSeconds, 100.0 * processCpu / wallSeconds,
                    1e6 * cpu / double(samples), behind);
        std::fflush(stdout);
    }
}

void soak(double minutes, double rate)
{
    Window w;
    SampleSource source(rate);
    std::printf("minute  resident MiB  points\n");
    for (int minute = 0; minute <= int(minutes); ++minute) {
        std::printf("%6d  %12.1f  %6d\n", minute, residentKiB() / 1024.0, w.points());
        std::fflush(stdout);
        if (minute < int(minutes))
            timerLateness(60);
    }
}

// Prints the median and maximum of 20 immediate replots.
void timeReplot(QCustomPlot &chart, const QString &what)
{
    std::vector<double> ms;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("%-36s median %.2f ms, max %.2f ms\n", qPrintable(what), percentile(ms, 0.5),
                percentile(ms, 1.0));
}

// Replots of the newest 10 s and of everything the chart holds.
void timeLiveAndWhole(QCustomPlot &chart, const QString &span)
{
    const double newest = chart::newestKey(*chart.graph(0)->data());
    chart.xAxis->setRange(newest - 10, newest);
    chart.yAxis->rescale();
    timeReplot(chart, "last 10 s of " + span);
    chart.rescaleAxes();
    timeReplot(chart, "whole " + span);
}

// Every point, as the chart kept them before its history was compacted.
void fillEveryPoint(QCustomPlot &chart, double hours, double rate)
{
    const long count = long(hours * 3600 * rate);
    for (long n = 0; n < count; ++n) {
        const IMUserial::vec3 angle = sampleAt(n, rate).angle;
        const double key = double(n) / rate;
        chart.graph(0)->data()->add(QCPGraphData(key, angle.x));
        chart.graph(1)->data()->add(QCPGraphData(key, angle.y));
        chart.graph(2)->data()->add(QCPGraphData(key, angle.z));
    }
}

void replot()
{
    Window w;
    w.window.findChild<QAbstractButton *>("pushButtonStartPlot")->click(); // stop
    fillEveryPoint(*w.chart, 1, 200);
    timeLiveAndWhole(*w.chart, "1 h at 200 Hz");
}

void printMemory(const char *what, double hours, int points)
{
    std::printf("%-28s %6.1f h  %8.1f MiB resident  %9d points per curve\n", what, hours,
                residentKiB() / 1024.0, points);
    std::fflush(stdout);
}

// The keys of the chart come from a clock the benchmark drives, so that the
// day fed in minutes gets a day of keys. Each simulated second of samples is
// sent through the device on this thread, then the refresh takes them, as
// its timer would.
void day(double hours, double rate)
{
    // A day of log lines would measure the log, not the chart.
    qputenv("GUI_LOAD_NO_LOG", "1");
    long sent = 0;
    {
        Window w;
        const auto start = live::SampleHandoff::Clock::now();
        w.window.setChartClock([&] {
            return start + std::chrono::duration_cast<live::SampleHandoff::Clock::duration>(
                               std::chrono::duration<double>(sent / rate));
        });
        const long total = long(hours * 3600 * rate);
        const long perSecond = std::max(1L, long(rate));
        QElapsedTimer wall;
        wall.start();
        printMemory("start", 0, w.points());
        for (long hour = 1; sent < total; ++hour) {
            const long hourEnd = std::min(total, long(hour * 3600 * rate));
            while (sent < hourEnd) {
                for (const long end = std::min(hourEnd, sent + perSecond); sent < end; ++sent)
                    fake::Device::instance().emitSample(sampleAt(sent, rate));
                w.window.timerSlot();
                if (sent % (60 * perSecond) == 0)
                    QApplication::processEvents();
            }
            printMemory("compacted history", sent / rate / 3600, w.points());
        }
        std::printf("fed in %.0f s\n", wall.elapsed() / 1000.0);
        const QString span = QString("%1 h at %2 Hz, compacted").arg(hours).arg(rate);
        timeLiveAndWhole(*w.chart, span);

        std::vector<double> ms;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            chart::compacted(*w.chart->graph(0)->data(), chart::kChartLimits);
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("%-36s median %.2f ms, max %.2f ms\n", "one curve's compaction pass",
                    percentile(ms, 0.5), percentile(ms, 1.0));
    }

    // The baseline: a window keeping every point, as before, for the first
    // hours of the same samples (a whole day of them would take 830 MB).
    Window w;
    w.window.findChild<QAbstractButton *>("pushButtonStartPlot")->click(); // stop
    const double baselineHours = std::min(hours, 4.0);
    printMemory("baseline window", 0, w.points());
    fillEveryPoint(*w.chart, baselineHours, rate);
    printMemory("baseline, every point", baselineHours, w.points());
    timeLiveAndWhole(*w.chart, QString("%1 h at %2 Hz, every point").arg(baselineHours).arg(rate));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0, "rates");
    if (mode == "soak") {
        soak(args.value(1, "10").toDouble(), args.value(2, "200").toDouble());
    } else if (mode == "replot") {
        replot();
    } else if (mode == "day") {
        day(args.value(1, "24").toDouble(), args.value(2, "200").toDouble());
    } else {
        std::vector<double> rates;
        for (const QString &rate : args.mid(2))
            rates.push_back(rate.toDouble());
        if (rates.empty())
            rates = {200, 1000, 5000};
        measureRates(args.value(1, "10").toDouble(), rates);
    }
    return 0;
}
