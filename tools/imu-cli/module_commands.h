// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that talk to the module over its serial port, through the
// device library's interface only. Each returns what the module confirmed, in
// the window's words.
#pragma once

#include "outcome.h"

#include "imuserial.h"

#include <memory>

namespace cli {

// The module on `port`, opened with the command line's sample callbacks;
// nothing when it cannot be opened. Safe on any thread: modules are opened
// one at a time, since the library takes the port from IMU_SERIAL_PORT.
std::unique_ptr<IMUserial::IMUSerial> openModule(const QString &port);

Outcome readVersion(IMUserial::IMUSerial &device);
Outcome readSerialNumber(IMUserial::IMUSerial &device);
Outcome writeSerialNumber(IMUserial::IMUSerial &device, const QString &text);

// To `file` as JSON, or the document itself as the message when `file` is empty.
Outcome readCalibration(IMUserial::IMUSerial &device, const QString &file);
Outcome writeCalibration(IMUserial::IMUSerial &device, const QString &file);
Outcome clearCalibration(IMUserial::IMUSerial &device);
// Starts the measurement, tells the operator to keep still for `holdSeconds`,
// stops it and reads the biases back.
Outcome measureGyroBias(IMUserial::IMUSerial &device, double holdSeconds, const Console &console);
Outcome setQuaternionOffset(IMUserial::IMUSerial &device, bool record);
// Done once the bootloader appears in the flasher's listing.
Outcome jumpToBootloader(IMUserial::IMUSerial &device);
// Runs the event loop until the flasher lists the bootloader (the one with
// USB serial number `serialNumber`, unless it is empty), or for at most 6 s.
bool bootloaderAppears(const QString &serialNumber = {});

// What a command cut short by requestInterruption() says.
constexpr char interrupted[] = "Interrupted";

// Asks the waits under way, or else the next, to end early: the process was
// told to stop (SIGINT, SIGTERM). Safe in a signal handler.
void requestInterruption();
// How many requests there were so far: a run of several units compares it
// with the count it began with before each step.
unsigned interruptionsSoFar();

enum class WaitEnd
{
    Elapsed,
    ModuleVanished,
    Interrupted,
};

// Runs the event loop for `seconds` while the port stays open and no
// interruption is asked for, telling `tick` the seconds passed now and then.
// It ends early, as Elapsed, once `enough` says so.
WaitEnd waitWhileOpen(IMUserial::IMUSerial &device, double seconds,
                      const std::function<void(double elapsed)> &tick,
                      const std::function<bool()> &enough = {});

} // namespace cli
