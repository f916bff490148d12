// SPDX-License-Identifier: GPL-3.0-or-later
// The window with the real device library against a running imu-sim.
#pragma once

#include "support/simulator_process.h"
#include "window_harness.h"

#include <QLineEdit>

#include <memory>
#include <string>
#include <vector>

class EndToEnd : public WindowHarness
{
protected:
    void SetUp() override
    {
        simulator = std::make_unique<imusim::testing::SimulatorProcess>(simulatorArguments());
        ASSERT_TRUE(simulator->started());
        // The library finds the simulator through its rendezvous directory.
        qunsetenv("IMU_SERIAL_PORT");
        qputenv("IMU_SIM_DIR", QByteArray::fromStdString(simulator->directory()));
        // The flasher takes the simulator's bootloader even when a real module
        // in its bootloader is plugged in on this desk.
        qputenv("DFUSE_TOOL_DEVICE", "sim");
        WindowHarness::SetUp();
    }

    void TearDown() override
    {
        WindowHarness::TearDown();
        simulator.reset();
        qunsetenv("IMU_SIM_DIR");
        qunsetenv("DFUSE_TOOL_DEVICE");
    }

    virtual std::vector<std::string> simulatorArguments() const { return {}; }

    void connectToSimulator()
    {
        click("pushButtonSerialConnect");
        ASSERT_EQ(log().value(0), "imu Connect SUCCESS");
    }

    // Yes to the question the command asks, then the command's log line.
    void confirm(const char *button)
    {
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        click(button);
        ASSERT_EQ(answerer.seen().size(), 1) << button;
    }

    // The window finds the firmware programs on the search path here, after
    // the silent updater. The test target names their folder.
    void putFirmwareProgramsOnPath()
    {
        qputenv("PATH",
                programDir.path().toLocal8Bit() + ":" + ORVIK_TOOLS_DIR + ":" + qgetenv("PATH"));
    }

    QString readout(const char *edit) { return find<QLineEdit>(edit)->text(); }
    QString calibrationView()
    {
        return find<QPlainTextEdit>("plainTextEdit_calibration")->toPlainText();
    }

    std::unique_ptr<imusim::testing::SimulatorProcess> simulator;
};
