#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs window_bench of this build and, with --baseline, another build of it
# (say, from an older revision) alternately in the same sitting, so that both
# see the same machine load; then prints the median of each column per build
# and rate.
#
#   window-bench.sh [--driver PATH] [--baseline PATH] [--runs N] [-- DRIVER OPTIONS]
#
# --driver defaults to build/bench/window_bench of this checkout, --runs to 3.
# DRIVER OPTIONS go to every run, e.g. -- --seconds 10 --rate 200 --rate 2000.
set -eu

repo=$(cd "$(dirname "$0")/../.." && pwd)
driver="$repo/build/bench/window_bench"
baseline=""
runs=3
while [ $# -gt 0 ]; do
    case "$1" in
    --driver) driver=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "usage: $0 [--driver PATH] [--baseline PATH] [--runs N] [-- DRIVER OPTIONS]" >&2
       exit 2 ;;
    esac
done

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT

header=""
measure() { # LABEL DRIVER [OPTIONS]
    label=$1 program=$2
    shift 2
    if [ -z "$header" ]; then
        header=printed
        "$program" --label "$label" "$@" | tee -a "$rows"
    else
        "$program" --label "$label" --no-header "$@" | tee -a "$rows"
    fi
}

run=1
while [ "$run" -le "$runs" ]; do
    # Alternate the order so that neither build always runs first.
    if [ -n "$baseline" ] && [ $((run % 2)) -eq 1 ]; then
        measure previous "$baseline" "$@"
        measure this "$driver" "$@"
    elif [ -n "$baseline" ]; then
        measure this "$driver" "$@"
        measure previous "$baseline" "$@"
    else
        measure this "$driver" "$@"
    fi
    run=$((run + 1))
done

# Medians per build and rate; a lag cell "p50/p99/max" takes the median of
# each part. Only rows of measurements (a number in the rate column) count.
echo "# medians of $runs runs"
awk -F'|' '
function median(list,    n, i, j, v, t) {
    n = split(list, v, " ")
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
function trim(s) { gsub(/^ +| +$/, "", s); return s }
$3 ~ /^ *[0-9.]+ *$/ {
    key = trim($2) "|" trim($3)
    if (!(key in seen)) { seen[key] = 1; order[++keys] = key }
    for (c = 4; c < NF; c++) {
        cell = trim($c)
        if (cell == "n/a") { parts = 1; p[1] = cell } else parts = split(cell, p, "/")
        for (k = 1; k <= parts; k++) values[key, c, k] = values[key, c, k] " " p[k]
        width[c] = parts
        columns = NF
    }
}
END {
    for (i = 1; i <= keys; i++) {
        key = order[i]
        split(key, name, "|")
        line = "| " name[1] " | " name[2] " |"
        for (c = 4; c < columns; c++) {
            cell = ""
            for (k = 1; k <= width[c]; k++) {
                v = values[key, c, k]
                cell = cell (k > 1 ? "/" : "") (v ~ /n\/a/ ? "n/a" : median(v))
            }
            line = line " " cell " |"
        }
        print line
    }
}' "$rows"
