#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times pandas.read_csv on the table recording_reader_bench writes, as a
baseline for recording::openRecording on the same file.

  ORVIK_RECORDING_BENCH_FILE=/tmp/samples.csv build/bench/recording_reader_bench
  python3 bench/recording_reader_pandas.py /tmp/samples.csv [REPETITIONS]

Prints each run and the median, in milliseconds.
"""
import statistics
import sys
import time

import pandas


def main():
    path = sys.argv[1]
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    times = []
    for _ in range(repetitions):
        start = time.perf_counter()
        table = pandas.read_csv(path)
        times.append((time.perf_counter() - start) * 1000)
        print(f"read_csv {len(table)} rows x {len(table.columns)} columns: {times[-1]:.0f} ms")
    print(f"pandas {pandas.__version__}: median {statistics.median(times):.0f} ms "
          f"of {repetitions} (range {min(times):.0f}-{max(times):.0f})")


if __name__ == "__main__":
    main()
