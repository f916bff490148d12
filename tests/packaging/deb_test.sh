#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the .deb from the build tree, checks it with Debian's lintian (where
# installed; any error or warning fails), unpacks it into a scratch root and
# runs the installed programs, their manual pages, the command line's bash
# completion and the AppStream metainfo from there.
# Usage: deb_test.sh BUILD_DIR. Exit 77 (skipped) without cpack or dpkg.
set -euo pipefail
# A failing step names itself: several of the checks below are silent pipelines.
trap 'echo "deb_test.sh: line $LINENO failed: $BASH_COMMAND"' ERR
build=$1
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# gzip instead of the default xz keeps the test quick; the contents are the same.
cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
  >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for package in libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
  [[ $depends == *"$package"* ]] || { echo "Depends lacks $package"; exit 1; }
done

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" || { echo "lintian objects to the package"; exit 1; }
else
  echo "lintian is not installed: the package's policy checks were skipped"
fi

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/ORVIK-IMU usr/bin/orvik-imu-cli usr/bin/dfuse-tool usr/bin/dfu-convert \
            usr/share/applications/orvik-imu.desktop \
            usr/share/icons/hicolor/scalable/apps/orvik-imu.svg \
            usr/share/metainfo/org.example.orvik_imu.metainfo.xml \
            usr/share/bash-completion/completions/orvik-imu-cli \
            usr/share/doc/orvik-imu/copyright usr/share/doc/orvik-imu/changelog.gz \
            usr/lib/udev/rules.d/70-orvik-imu.rules; do
  [[ -e $root/$file ]] || { echo "missing from the package: $file"; exit 1; }
done
# Outputs are captured before grep -q reads them: on a pipe, grep -q ends at
# its first match and the writer, ended by SIGPIPE, fails the pipeline (or,
# in an if, hides what was found).
libraries=$(ldd "$root"/usr/bin/*)
if grep -q "not found" <<<"$libraries"; then
  grep "not found" <<<"$libraries"
  exit 1
fi

help=$("$root/usr/bin/orvik-imu-cli" --help)
grep -q "^Usage: orvik-imu-cli" <<<"$help" || { echo "--help lacks its usage line"; exit 1; }
set +e
"$root/usr/bin/orvik-imu-cli" frobnicate 2>/dev/null
status=$?
set -e
[[ $status == 2 ]] || { echo "usage error gave $status, not 2"; exit 1; }

# Every program has its page; the command line's lists each command its help
# names and the exit status, and bash completes each of those commands.
for program in "$root"/usr/bin/*; do
  page=$root/usr/share/man/man1/$(basename "$program").1.gz
  [[ -e $page ]] || { echo "no manual page for $(basename "$program")"; exit 1; }
done
commands=$(sed -n '/^Commands:/,/^Options:/s/^  \([a-z][a-z-]*\).*/\1/p' <<<"$help" | sort -u)
# man-db's seccomp sandbox is refused inside some containers; the page is
# what is checked here, not the sandbox.
manual=$(MANPATH=$root/usr/share/man MANWIDTH=200 MAN_DISABLE_SECCOMP=1 \
  man orvik-imu-cli 2>"$scratch/man.log" | col -b) || { cat "$scratch/man.log"; exit 1; }
completed=$(bash -c "source '$root/usr/share/bash-completion/completions/orvik-imu-cli'
  COMP_WORDS=(orvik-imu-cli ''); COMP_CWORD=1; _orvik_imu_cli; echo \"\${COMPREPLY[*]}\"")
for command in $commands; do
  grep -qw -- "$command" <<<"$manual" || { echo "the manual page lacks $command"; exit 1; }
  [[ " $completed " == *" $command "* ]] || { echo "bash does not complete $command"; exit 1; }
done
grep -q "Exit status" <<<"$manual" || { echo "the manual page lacks the exit status"; exit 1; }
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
fi

# The window starts and runs its event loop until told to stop: a missing
# library or platform plugin would end it at once.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$scratch
set +e
timeout --signal=TERM 3 "$root/usr/bin/ORVIK-IMU" >"$scratch/window.log" 2>&1
status=$?
set -e
[[ $status == 124 ]] || { cat "$scratch/window.log"; echo "ORVIK-IMU ended with $status"; exit 1; }
echo "package ok: $(basename "$deb")"
