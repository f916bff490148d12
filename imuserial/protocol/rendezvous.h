// Where a running simulator publishes itself, so that the device library and
// the DFU tools find it without configuration.
#pragma once

#include <string>

namespace imuproto {

// $IMU_SIM_DIR, else $XDG_RUNTIME_DIR/orvik-imu-sim, else /tmp/orvik-imu-sim-<uid>.
std::string simulatorDirectory();

// File holding the path of the simulator's serial pseudo-terminal.
std::string simulatorPortFile();

// Local socket of the simulator while it plays the DFU bootloader.
std::string simulatorBootloaderSocket();

} // namespace imuproto
