#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang into build-fuzz/ (or $BUILD_DIR) and
# fuzzes them one after the other on scratch copies of their stored corpora.
#   fuzz.sh [SECONDS] [--merge] [TARGET...]
#   SECONDS   how long each target runs (default 60)
#   --merge   afterwards, when the run found new features, minimise the stored
#             corpus together with the finds (-merge=1 into an empty folder) and
#             write the result back into the repository; hand-made seeds stay
#   TARGET    fuzz only these targets
# Prints executions, coverage, corpus size and crashes per target and fails if
# any target crashed. Logs and crashing inputs stay in <build>/fuzz-runs/<target>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build-fuzz}

# Target, stored corpus and dictionary (- for none), relative to the repository.
all_targets=(
  "imuserial_decoder_fuzz tests/imuserial/fuzz-corpus/decoder -"
  "fuzz_dfu_intel_hex tests/lib/dfu/fuzz-corpus/intel_hex tests/lib/dfu/intel_hex.dict"
  "fuzz_dfu_dfuse_file tests/lib/dfu/fuzz-corpus/dfuse_file -"
  "fuzz_dfu_memory_layout tests/lib/dfu/fuzz-corpus/memory_layout -"
  "updater_manifest_fuzz tests/tools/updater/manifest_corpus tests/tools/updater/manifest_fuzz.dict"
  "updater_signature_file_fuzz tests/lib/updatesig/fuzz-corpus -"
  "app_progress_line_fuzz tests/operations/firmware/fuzz-corpus/progress_line -"
  "calibration_json_fuzz tests/operations/calibration/fuzz-corpus/calibration_json -"
  "recording_spill_file_fuzz tests/operations/recording/fuzz-corpus/spill_file -"
  "recording_csv_table_fuzz tests/operations/recording/fuzz-corpus/csv_table -"
  "imu_sim_sensor_profile_fuzz tests/tools/imu-sim/fuzz-corpus/sensor_profile -"
  "fuzz_cli_serial_map tests/tools/imu-cli/fuzz-corpus/serial_map -"
)

seconds=60
merge=false
wanted=()
for arg in "$@"; do
  case $arg in
    --merge) merge=true ;;
    *[!0-9]*) wanted+=("$arg") ;;
    *) seconds=$arg ;;
  esac
done

selected=()
selected_names=()
for entry in "${all_targets[@]}"; do
  read -r name _ <<<"$entry"
  if [[ ${#wanted[@]} -eq 0 || " ${wanted[*]} " == *" $name "* ]]; then
    selected+=("$entry")
    selected_names+=("$name")
  fi
done
if [[ ${#selected[@]} -eq 0 ]]; then
  echo "no such fuzz target: ${wanted[*]}" >&2
  exit 2
fi

cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DORVIK_BUILD_FUZZ=ON -DORVIK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target "${selected_names[@]}"

# Generated inputs are named by the SHA-1 of their content; anything else is a
# hand-made seed.
is_generated() { [[ $(basename "$1") =~ ^[0-9a-f]{40}$ ]]; }

# Minimises the given folders into the new folder `into`, appending to `log`;
# prints how many features the minimal set covers.
minimise() {
  local fuzzer=$1 into=$2 log=$3
  shift 3
  rm -rf "$into"
  mkdir "$into"
  "$fuzzer" -merge=1 "$into" "$@" >>"$log" 2>&1
  grep -o '[0-9]* new features' "$log" | tail -n 1 | cut -d' ' -f1
}

# When the run found features the stored corpus lacks, replaces the stored
# corpus's generated inputs by a minimal set covering both. Without new
# features the stored corpus stays as it is, so reruns cause no churn.
merge_into_stored() {
  local fuzzer=$1 stored=$2 run_dir=$3
  local before after
  before=$(minimise "$fuzzer" "$run_dir/stored-minimal" "$run_dir/log" "$stored")
  after=$(minimise "$fuzzer" "$run_dir/minimal" "$run_dir/log" "$run_dir/corpus")
  if ((after <= before)); then
    echo "  stored corpus kept: no features beyond its $before"
    return
  fi
  local seeds=" " file
  for file in "$stored"/*; do
    if is_generated "$file"; then
      rm "$file"
    else
      seeds+="$(sha1sum <"$file" | cut -d' ' -f1) "
    fi
  done
  for file in "$run_dir/minimal"/*; do
    [[ $seeds == *" $(basename "$file") "* ]] || cp "$file" "$stored/"
  done
  echo "  stored corpus merged: $before -> $after features, $(find "$stored" -type f | wc -l) files"
}

# Prints the value that follows `label` on the last log line holding it.
last_figure() { grep -o "$1 *[0-9]*" "$2" | tail -n 1 | grep -o '[0-9]*$' || echo '-'; }

printf '%-24s %12s %6s %6s %7s %8s\n' target executions cov ft corpus crashes
crashed=0
for entry in "${selected[@]}"; do
  read -r name corpus dict <<<"$entry"
  run_dir=$build_dir/fuzz-runs/$name
  rm -rf "$run_dir"
  mkdir -p "$run_dir/corpus" "$run_dir/crashes"
  cp "$root/$corpus"/* "$run_dir/corpus/"
  options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
           -artifact_prefix="$run_dir/crashes/")
  [[ $dict == - ]] || options+=(-dict="$root/$dict")
  fuzzer=$build_dir/fuzz/$name
  nice "$fuzzer" "${options[@]}" "$run_dir/corpus" >"$run_dir/log" 2>&1 || true

  crashes=$(find "$run_dir/crashes" -type f | wc -l)
  printf '%-24s %12s %6s %6s %7s %8s\n' "$name" \
    "$(last_figure 'stat::number_of_executed_units:' "$run_dir/log")" \
    "$(last_figure 'cov:' "$run_dir/log")" "$(last_figure 'ft:' "$run_dir/log")" \
    "$(last_figure 'corp:' "$run_dir/log")" "$crashes"
  if [[ $crashes -gt 0 ]]; then
    crashed=1
    find "$run_dir/crashes" -type f -printf '  crashing input: %p\n'
  elif $merge; then
    merge_into_stored "$fuzzer" "$root/$corpus" "$run_dir"
  fi
done
exit $crashed
