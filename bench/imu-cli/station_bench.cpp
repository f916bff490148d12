// SPDX-License-Identifier: GPL-3.0-or-later
// A tray of four simulated units against one unit alone, in the same run:
// each with the module's bootloader timing (--bootloader-timing stm32f4), the
// station flashing a 128 KiB image and numbering the units. The same tray one
// unit at a time (--jobs 1) shows what running them side by side gains.
// Prints each run's wall times, the medians and the ratio of four to one, the
// figure in docs/performance.md.
//
//   station_bench [repetitions]
#include "support/simulator_process.h"

#include <application_image.h>
#include <memory_layout.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using imusim::testing::SimulatorProcess;

constexpr std::size_t kImageBytes = 128 * 1024;

// Seconds the station took over `units` fresh simulators, at most `jobs` at
// once (0: all), or a negative number when it failed.
double timeTray(int units, const QString &image, int jobs = 0)
{
    QTemporaryDir folder;
    const QString hub = folder.filePath("hub");
    QDir().mkdir(hub);
    QFile::setPermissions(hub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    std::vector<std::unique_ptr<SimulatorProcess>> tray;
    for (int i = 0; i < units; ++i) {
        char unitId[25];
        std::snprintf(unitId, sizeof unitId, "0000000000000000000000%02X", 0xC0 + i);
        tray.push_back(std::make_unique<SimulatorProcess>(
            std::vector<std::string>{"--uid", unitId, "--bootloader-timing", "stm32f4"},
            hub.toStdString()));
        if (!tray.back()->started())
            return -1;
    }
    QProcess station;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("IMU_SIM_DIR", hub);
    environment.insert("DFUSE_TOOL_DEVICE", "sim");
    environment.remove("IMU_SERIAL_PORT");
    station.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    QStringList arguments{"station", "--flash", image, "--sn", "ORV{seq:06}"};
    if (jobs > 0)
        arguments << "--jobs" << QString::number(jobs);
    station.start(ORVIK_CLI, arguments);
    if (!station.waitForFinished(600000) || station.exitCode() != 0) {
        std::fprintf(stderr, "%s", station.readAllStandardError().constData());
        return -1;
    }
    return double(clock.elapsed()) / 1000;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir folder;
    const QString image = folder.filePath("fw.bin");
    const auto bytes =
        dfusim::makeApplicationImage(dfu::kApplicationAddress, {2, 0, 1}, kImageBytes);
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()))
        return 1;
    file.close();

    std::vector<double> one;
    std::vector<double> four;
    std::vector<double> inTurn;
    for (int run = 0; run < repetitions; ++run) {
        one.push_back(timeTray(1, image));
        four.push_back(timeTray(4, image));
        inTurn.push_back(timeTray(4, image, 1));
        std::printf("run %d: one unit %.2f s, four units %.2f s, four one at a time %.2f s\n",
                    run + 1, one.back(), four.back(), inTurn.back());
        if (one.back() < 0 || four.back() < 0 || inTurn.back() < 0)
            return 1;
    }
    std::printf("median: one unit %.2f s, four units %.2f s (ratio %.2f), four one at a time "
                "%.2f s\n",
                median(one), median(four), median(four) / median(one), median(inTurn));
    return 0;
}
