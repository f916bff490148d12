#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The real window's CPU while nobody looks at it: the ORVIK-IMU binary on an
# Xvfb of its own with openbox managing it (so that minimising is what a
# desktop does), streaming from imu-sim with recording, the log and the chart
# on. Measures the process (all threads, utime + stime) visible on the chart's
# page, then minimised, then shown again, each for the same time after the
# same warm-up, and prints each as % of one core.
#
#   hidden_window_cpu.sh [--build DIR] [--seconds S] [--warmup W] [--rate R] [--shots DIR]
#
# Defaults: build/ of this checkout, 20 s, 3 s, 200 samples/s. With --shots the
# window is captured (PNG) while visible and right after it is restored.
# Needs Xvfb, openbox, xdotool, xprop, and imagemagick for --shots.
set -eu

repo=$(cd "$(dirname "$0")/../.." && pwd)
build="$repo/build"
seconds=20
warmup=3
rate=200
shots=""
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --warmup) warmup=$2; shift 2 ;;
    --rate) rate=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--seconds S] [--warmup W] [--rate R] [--shots DIR]" >&2
       exit 2 ;;
    esac
done
for tool in Xvfb openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=""
cleanup() {
    status=$?
    if [ "$status" -ne 0 ] && [ -n "${app:-}" ]; then
        kill -0 "$app" 2>/dev/null || echo "$0: the window had ended" >&2
        tail -5 "$work/app.log" >&2
    fi
    # The window first, then the simulator (whose account goes to its log),
    # then the window manager and the X server.
    for pid in $pids; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() { echo "$0: $*" >&2; exit 1; }
# Waits up to 10 s for the shell condition "$1".
wait_for() {
    tries=0
    until eval "$1"; do
        tries=$((tries + 1))
        [ "$tries" -lt 100 ] || fail "timed out waiting for: $1"
        sleep 0.1
    done
}

# An X server on a free display: it writes the number once it listens.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids=$!
wait_for '[ -s "$work/display" ]'
DISPLAY=:$(cat "$work/display")
export DISPLAY
openbox >"$work/openbox.log" 2>&1 &
pids="$! $pids"
wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'

mkdir -m 700 "$work/sim"
"$build/bin/imu-sim" --dir "$work/sim" --rate "$rate" >"$work/sim.out" 2>"$work/sim.err" &
sim=$!
pids="$sim $pids"
wait_for "[ -s \"$work/sim/port-$sim\" ]"

# The recording spills into the scratch folder, which goes at the end.
IMU_SIM_DIR="$work/sim" TMPDIR="$work" QT_QPA_PLATFORM=xcb "$build/bin/ORVIK-IMU" \
    >"$work/app.log" 2>&1 &
app=$!
pids="$app $pids"
window=$(xdotool search --sync --onlyvisible --name '^ORVIK-IMU V' | head -n 1)
# WM_STATE reads Normal once the window manager has taken the window in.
wait_for 'xprop -id "$window" WM_STATE 2>/dev/null | grep -q Normal'
# The buttons' places below are those of this window size.
xdotool windowsize --sync "$window" 1600 950
xdotool windowmove --sync "$window" 0 0
sleep 1
click() { # X Y in the window
    xdotool mousemove --window "$window" "$1" "$2" click 1
    sleep 0.5
}
click 154 764  # Connect
click 438 764  # Start Recv: the recording starts
click 1551 564 # Start Plot

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
# Prints the process's CPU over `seconds` after `warmup`, as % of one core.
measure() {
    sleep "$warmup"
    before=$(cpu_ticks)
    sleep "$seconds"
    after=$(cpu_ticks)
    awk -v d=$((after - before)) -v t="$ticks" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * d / t / s }'
}
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window "$window" "$shots/$1.png"; }; }

visible=$(measure)
shot visible
# The window manager records the minimised (Iconic) state in WM_STATE.
xdotool windowminimize "$window"
wait_for 'xprop -id "$window" WM_STATE 2>/dev/null | grep -q Iconic'
minimized=$(measure)
xdotool windowactivate "$window"
wait_for 'xprop -id "$window" WM_STATE 2>/dev/null | grep -q Normal'
sleep 0.2
shot restored
restored=$(measure)

kill "$app"
wait "$app" 2>/dev/null || true
kill -INT "$sim"
wait "$sim" 2>/dev/null || true
# A click that missed its button leaves the module idle: no figure then.
if grep -q " 0 samples sent" "$work/sim.err"; then
    echo "$0: the module sent nothing: a button was not where the script clicks" >&2
    exit 1
fi
echo "| samples/s | visible, chart page | minimised | restored | imu-sim |"
echo "|---|---|---|---|---|"
echo "| $rate | $visible % | $minimized % | $restored % | $(sed 's/^imu-sim: //' "$work/sim.err" | tail -1) |"
