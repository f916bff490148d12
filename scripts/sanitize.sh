#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds with sanitizers into build-<sanitizers>/ and runs the tests there.
#   sanitize.sh address,undefined   the whole suite
#   sanitize.sh thread              the threaded parts: the device library, the
#                                   sample hand-off, the window's live data, its
#                                   recording, its calibration wizard and its
#                                   noise analysis, the command line's
#                                   recording, calibrations and station
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sanitizers=${1:-address,undefined}
build_dir=${BUILD_DIR:-$root/build-${sanitizers//,/-}}

threaded_tests=(imuserial_frame_test imuserial_device_test imuserial_discovery_test
                imu_sim_library_tests test_handoff test_live recording_test
                test_recording_window test_cli_commands test_calibration_wizard
                test_cli_calibrate test_noise_window noise_analysis_test
                csv_reader_test recording_file_test test_replay_end_to_end test_replay_clock
                test_cli_station)

cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVIK_SANITIZE="$sanitizers" -DORVIK_BUILD_BENCH=OFF >/dev/null
export QT_QPA_PLATFORM=offscreen
if [[ "$sanitizers" == thread ]]; then
  cmake --build "$build_dir" -j "$(nproc)" --target "${threaded_tests[@]}"
  pattern=$(IFS='|'; echo "^(${threaded_tests[*]})\$")
  ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" -R "$pattern"
else
  cmake --build "$build_dir" -j "$(nproc)"
  ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
fi
