// SPDX-License-Identifier: GPL-3.0-or-later
// Where a running simulator publishes itself, so that the device library and
// the DFU tools find it without configuration.
//
// Several simulators may share the rendezvous folder, as several modules share
// a USB hub. Each publishes under its process id: the file `port-<pid>` (three
// lines: the path of its serial device, its process id, its unit ID, which is
// the serial number the module's USB port reports) and, while it plays the DFU
// bootloader, the socket `dfu-<pid>-<unit ID>.sock`, whose name lets a tool
// that wants one unit leave the others' sockets alone. Whoever can write
// into the folder can point the tools at a device of their choosing, so a
// folder is used only when it is a real directory (not a symbolic link) owned
// by the current user with mode exactly 0700, the rules of XDG_RUNTIME_DIR.
// Only the simulator creates the folder; readers never do.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace imuproto {

// $IMU_SIM_DIR, else $XDG_RUNTIME_DIR/orvik-imu-sim, else /tmp/orvik-imu-sim-<uid>.
// Not checked: see rendezvousDirectoryProblem().
std::string simulatorDirectory();

// The port file of the simulator with process id `processId` in `directory`.
std::string portFileOf(const std::string &directory, long processId);

// The local socket of that simulator while it plays the DFU bootloader with
// the USB serial number `serialNumber` (letters and digits; none when empty).
std::string bootloaderSocketOf(const std::string &directory, long processId,
                               const std::string &serialNumber);

// bootloaderSocketOf(simulatorDirectory(), this process, ""), for a program
// that plays a bootloader itself (tests, benchmarks).
std::string simulatorBootloaderSocket();

// Why `directory` must not be used as the rendezvous folder, in words fit for
// a user ("refusing /tmp/orvik-imu-sim-1000: owned by uid 0, not by you",
// "refusing DIR: mode 0777, must be 0700", "refusing DIR: is a symbolic
// link"); empty when it is fine or does not exist (then nothing is published
// there). Always empty on Windows, which has no such owner and mode.
std::string rendezvousDirectoryProblem(const std::string &directory);

// rendezvousDirectoryProblem(simulatorDirectory()), for a tool to print
// before it trusts anything it finds there.
std::string simulatorDirectoryProblem();

// For the simulator only: creates `directory` with mode 0700 when missing
// (its parent must exist) and checks it. Returns the problem, empty when the
// folder may be used.
std::string prepareRendezvousDirectory(const std::string &directory);

// The content of a port file.
std::string formatPortFile(const std::string &devicePath, long processId,
                           const std::string &unitId);

struct PublishedPort
{
    std::string devicePath;
    long processId = 0;
    std::string unitId; // empty when the file has no third line
};

// A port file's lines; nothing when the device or the process id is missing
// or the id is no number.
std::optional<PublishedPort> parsePortFile(const std::string &content);

struct PortReading
{
    std::vector<PublishedPort> ports; // of live simulators, by device path
    std::string problem;              // why the folder was refused, else empty
};

// Reads every port file of `directory` without following a symbolic link,
// when the folder passes the checks, and keeps those whose simulator still runs.
PortReading readPublishedPorts(const std::string &directory);

struct BootloaderSocket
{
    std::string path;
    std::string serialNumber; // as its name states it; the device's answer is what counts
};

// The bootloader sockets in `directory`, by name; none when the folder is
// refused (see rendezvousDirectoryProblem).
std::vector<BootloaderSocket> bootloaderSocketsIn(const std::string &directory);

} // namespace imuproto
