// Where a running simulator publishes itself, so that the device library and
// the DFU tools find it without configuration.
//
// The rendezvous folder holds the file `port` (two lines: the path of the
// simulator's serial device, then the simulator's process id) and, while the
// simulator plays the DFU bootloader, the socket `dfu.sock`. Whoever can write
// into the folder can point the tools at a device of their choosing, so a
// folder is used only when it is a real directory (not a symbolic link) owned
// by the current user with mode exactly 0700, the rules of XDG_RUNTIME_DIR.
// Only the simulator creates the folder; readers never do.
#pragma once

#include <optional>
#include <string>

namespace imuproto {

// $IMU_SIM_DIR, else $XDG_RUNTIME_DIR/orvik-imu-sim, else /tmp/orvik-imu-sim-<uid>.
// Not checked: see rendezvousDirectoryProblem().
std::string simulatorDirectory();

// File holding the simulator's serial device and process id.
std::string simulatorPortFile();

// Local socket of the simulator while it plays the DFU bootloader.
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

// The content of the port file.
std::string formatPortFile(const std::string &devicePath, long processId);

struct PublishedPort
{
    std::string devicePath;
    long processId = 0;
};

// The port file's two lines; nothing when either is missing or the id is no number.
std::optional<PublishedPort> parsePortFile(const std::string &content);

struct PortReading
{
    std::optional<PublishedPort> port; // set only when its process is alive
    std::string problem;               // why the folder was refused, else empty
};

// Reads the port file of `directory` without following a symbolic link, and
// keeps it only when the folder passes the checks and the simulator that
// wrote it still runs.
PortReading readPublishedPort(const std::string &directory);

} // namespace imuproto
