#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the plain suite and the ThreadSanitizer stage N times (default 10) while
# two busy loops compete for the CPUs, then prints how often each test failed.
# Exits non-zero if any test failed in any run.
#   stress-tests.sh [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
build_dir=${BUILD_DIR:-$root/build}
logs=$build_dir/stress-logs

"$root/scripts/install-deps.sh"
BUILD_DIR=$build_dir "$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen

burners=()
stop_burners() { ((${#burners[@]})) && kill "${burners[@]}" 2>/dev/null || true; }
trap stop_burners EXIT
for _ in 1 2; do
  sh -c 'while :; do :; done' &
  burners+=($!)
done

rm -rf "$logs" && mkdir -p "$logs"
# ctest lists each failed test as "  12 - name (Failed)" after its summary.
failed_tests() { sed -n 's/^[[:space:]]*[0-9]\+ - \([^ ]*\) (.*)$/\1/p' "$1"; }

for ((run = 1; run <= runs; ++run)); do
  for stage in plain thread; do
    log=$logs/run-$run-$stage.log
    status=0
    if [[ $stage == plain ]]; then
      ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" >"$log" 2>&1 || status=$?
    else
      BUILD_DIR=$build_dir-thread "$root/scripts/sanitize.sh" thread >"$log" 2>&1 || status=$?
    fi
    count=$(failed_tests "$log" | wc -l)
    # A stage that failed without naming a test (a build error, a crash of
    # ctest itself) still counts.
    if ((status != 0 && count == 0)); then
      echo "   0 - stage-did-not-finish (Failed)" >>"$log"
      count=1
    fi
    echo "run $run/$runs, $stage: $count failed"
  done
done

echo
failures=$(for log in "$logs"/*.log; do
  stage=${log##*-}
  failed_tests "$log" | sed "s/\$/ (${stage%.log})/"
done | sort | uniq -c | sort -rn)
if [[ -z "$failures" ]]; then
  echo "No test failed in $runs runs of both stages."
  exit 0
fi
echo "Failures per test over $runs runs (logs in $logs):"
echo "$failures"
exit 1
