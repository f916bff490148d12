// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the window's event-loop lag while it flashes a full application
// into the simulated module at its realistic flash timing, beside the lag of
// the same window idle in the same run.
//
//   flash_lag [IDLE_SECONDS] [IMAGE_KIB]    defaults: 10 s, 896 KiB
//
// Starts imu-sim (--bootloader-timing stm32f4) in a private rendezvous
// folder, connects the window with the real device library, jumps into the
// bootloader, measures the idle window, then upgrades through the Upgrade
// button and measures until the run ends. Boxes are closed as they come.
#include "application_image.h"
#include "event_loop_lag.h"
#include "firmware/firmware_upgrade.h"
#include "mainwindow.h"
#include "memory_layout.h"
#include "prompts/file_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int setUpLimitMs = 30000;

int fail(const char *what)
{
    std::fprintf(stderr, "flash_lag: %s\n", what);
    return 1;
}

void printLag(const char *what, const std::vector<double> &lateness, double seconds)
{
    std::printf("%-24s %6.1f s  %6zu ticks  p50 %5.1f ms  p99 %5.1f ms  max %6.1f ms\n", what,
                seconds, lateness.size(), percentile(lateness, 0.5), percentile(lateness, 0.99),
                percentile(lateness, 1.0));
}

QString writeImage(const QString &path, int kib)
{
    const std::vector<std::uint8_t> image =
        dfusim::makeApplicationImage(dfu::kApplicationAddress, {9, 9, 9}, kib * 1024);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(reinterpret_cast<const char *>(image.data()), qint64(image.size()));
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const double idleSeconds = args.value(0, "10").toDouble();
    const int imageKiB = args.value(1, "896").toInt();

    QTemporaryDir rendezvous; // private (0700), as the device library requires
    qputenv("IMU_SIM_DIR", rendezvous.path().toLocal8Bit());
    qputenv("DFUSE_TOOL_DEVICE", "sim");
    qputenv("PATH", QByteArray(ORVIK_TOOLS_DIR) + ":" + qgetenv("PATH"));
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(IMU_SIM_PROGRAM,
                    {"--dir", rendezvous.path(), "--bootloader-timing", "stm32f4"});
    if (!runUntil([&] { return QFile::exists(rendezvous.filePath("port")); }, setUpLimitMs))
        return fail("imu-sim did not publish its port");

    MainWindow window;
    window.resize(1200, 613);
    window.show();
    auto *log = window.findChild<QPlainTextEdit *>("textBrowserLogs");
    const auto logged = [&](const QString &line) {
        window.flushLog();
        return log->toPlainText().contains(line);
    };
    window.findChild<QAbstractButton *>("pushButtonSerialConnect")->click();
    window.findChild<QAbstractButton *>("pushButton_jumpToDfu")->click();
    if (!runUntil([&] { return logged("Jump to DFU done"); }, setUpLimitMs))
        return fail("the module did not enter its bootloader");

    const QString image = writeImage(rendezvous.filePath("app.bin"), imageKiB);
    prompts::replaceFileDialogs([&](const prompts::FileQuestion &) { return image; }, {});
    QStringList boxes;
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes << box->text();
            box->done(QMessageBox::Ok);
        }
    });
    boxCloser.start(50);

    QElapsedTimer clock;
    clock.start();
    const std::vector<double> idle = timerLateness(idleSeconds);
    printLag("idle in the bootloader", idle, clock.elapsed() / 1000.0);

    auto *upgrade = window.findChild<firmware::FirmwareUpgrade *>();
    int progressLines = 0;
    QObject::connect(upgrade, &firmware::FirmwareUpgrade::progress, [&] { ++progressLines; });
    std::vector<double> flashing;
    clock.restart();
    {
        LagProbe probe;
        window.findChild<QAbstractButton *>("pushButtonUpgrade")->click();
        runUntil([&] { return !upgrade->isBusy(); }, 600000);
        flashing = probe.lateness();
    }
    printLag("upgrading", flashing, clock.elapsed() / 1000.0);
    std::printf("image %d KiB, %d progress lines, result: %s\n", imageKiB, progressLines,
                qPrintable(boxes.join(", ")));

    simulator.terminate();
    simulator.waitForFinished(setUpLimitMs);
    return boxes == QStringList{"DFU Success!"} ? 0 : 1;
}
