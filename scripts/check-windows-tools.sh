#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles the firmware tools for Windows with MinGW-w64, so that their
# Windows-only code (wide command lines and paths) is at least built here:
# dfu-convert.exe is linked, dfuse-tool's sources are compiled (there is no
# Windows libusb to link against on this machine).
# Needs: apt-get install g++-mingw-w64-x86-64-posix
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-windows}
cxx=x86_64-w64-mingw32-g++-posix
command -v "$cxx" >/dev/null || {
    echo "$cxx not found: apt-get install g++-mingw-w64-x86-64-posix" >&2
    exit 1
}
mkdir -p "$out"
cd "$root/tools"
flags=(-std=c++17 -Wall -Wextra -I../lib/dfu -Idfu-convert -Idfuse-tool -DORVIK_VERSION='"check"')
core=$(ls ../lib/dfu/*.cpp | grep -v local_socket)
# shellcheck disable=SC2086
"$cxx" "${flags[@]}" -O1 $core dfu-convert/*.cpp -static -lshell32 -o "$out/dfu-convert.exe"
for source in dfuse-tool/{commands,device_finder,main,tool,tool_options,usb_support}.cpp; do
    "$cxx" "${flags[@]}" -fsyntax-only "$source"
done
"$cxx" "${flags[@]}" -fsyntax-only -I/usr/include/libusb-1.0 -DORVIK_DFU_WITH_LIBUSB \
    dfuse-tool/usb_transport.cpp
echo "Windows build check passed: $out/dfu-convert.exe"
