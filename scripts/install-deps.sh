#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the project needs; quick when all are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config ccache python3 clang-format
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqcustomplot-dev libgl-dev
  libusb-1.0-0-dev libssl-dev libgtest-dev libgmock-dev libbenchmark-dev
  libeigen3-dev dfu-util python3-intelhex xvfb xauth openbox xdotool x11-utils
  help2man lintian appstream man-db bsdextrautils
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
