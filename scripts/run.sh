#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, starts the module simulator and opens the
# application connected to nothing until you press "Connect". IMU_SIM_ARGS
# are handed to the simulator, e.g. "--sensor-profile
# tools/imu-sim/profiles/lab.json --motion tumble" for a module to calibrate.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
bin=$build_dir/bin

"$root/scripts/install-deps.sh"
BUILD_DIR=$build_dir "$root/scripts/build.sh"

cleanup() {
  if [[ -n "${simulator_pid:-}" ]]; then kill "$simulator_pid" 2>/dev/null || true; fi
  if [[ -n "${xvfb_pid:-}" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [[ -x "$bin/imu-sim" ]]; then
  # shellcheck disable=SC2086 # the arguments are split as on a command line
  "$bin/imu-sim" ${IMU_SIM_ARGS:-} &
  simulator_pid=$!
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found: the window opens on the virtual display :99."
  Xvfb :99 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:99
  sleep 1
fi

# The tools beside the application are found first; the build puts them there.
"$bin/ORVIK-IMU"
