// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr char kHelp[] = R"(Usage: ORVIK-IMU [Qt options]

The window of the ORVIK serial IMU module: connect to the module, stream,
record, chart and replay its measurements, calibrate it, read its identity
and flash its firmware through its DFU bootloader. Without a module attached
it finds a running imu-sim.

Options:
  -h, --help     this text
  -V, --version  the version
  Qt's own options, such as -platform NAME, apply as well.

Environment:
  IMU_SERIAL_PORT  the module's serial port; without it the module's USB
                   ports are tried, then a running simulator's
  IMU_SIM_DIR      where a running imu-sim publishes its port

See also orvik-imu-cli(1), dfuse-tool(1), dfu-convert(1).
)";

// --help and --version are answered before any window or display is needed.
std::optional<int> answerInformationOption(int argc, char *argv[])
{
    if (argc != 2)
        return std::nullopt;
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "-V")) {
        std::puts("ORVIK-IMU " ORVIK_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const auto exitCode = answerInformationOption(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.offerUnsavedRecordings(); });
    return app.exec();
}
