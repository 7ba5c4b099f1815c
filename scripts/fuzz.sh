#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan+UBSan) and runs each
# for the given seconds (default 15), two at a time. Each starts from its
# committed seeds in fuzz/corpus/<target>/ and its kept crash inputs in
# fuzz/regressions/<target>/, and grows a working corpus in build/fuzz/corpus/
# that the next run continues from. A crash, a leak, a hang over 10 s or more
# than 2 GB fails the run and leaves its input in build/fuzz/crashes/<target>/.
#   scripts/fuzz.sh [seconds] [target...]     targets: fuzz_<name> from fuzz/CMakeLists.txt
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(driver_requests exports fault_script picture_scene save_image transfer)

mkdir -p build
cmake --preset fuzz >build/configure-fuzz.log 2>&1 || { cat build/configure-fuzz.log; exit 1; }
cmake --build --preset fuzz

run() { # <target>: its log in build/fuzz/logs/<target>.log
  local target=$1 work=build/fuzz/corpus/$1 crashes=build/fuzz/crashes/$1
  mkdir -p "$work" "$crashes" build/fuzz/logs
  local seeds=(fuzz/corpus/"$target")
  [ ! -d fuzz/regressions/"$target" ] || seeds+=(fuzz/regressions/"$target")
  # The scratch files the targets write go to a folder of the run's own.
  local scratch status=0
  scratch=$(mktemp -d)
  TMPDIR=$scratch build/fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "${seeds[@]}" \
    >"build/fuzz/logs/$target.log" 2>&1 || status=$?
  rm -rf "$scratch"
  return "$status"
}

jobs_at_once=$(($(nproc) >= 2 ? 2 : 1))
failed=0
for ((i = 0; i < ${#targets[@]}; i += jobs_at_once)); do
  batch=("${targets[@]:i:jobs_at_once}")
  pids=()
  for target in "${batch[@]}"; do
    run "$target" &
    pids+=($!)
  done
  for j in "${!batch[@]}"; do
    target=${batch[j]}
    if wait "${pids[j]}"; then
      runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/logs/$target.log")
      edges=$(grep -o 'cov: [0-9]*' "build/fuzz/logs/$target.log" | tail -n 1 | cut -d' ' -f2)
      echo "fuzz: $target: ${runs:-?} inputs in $seconds s, ${edges:-?} edges covered"
    else
      failed=1
      tail -n 40 "build/fuzz/logs/$target.log"
      echo "fuzz: $target FAILED; the input is in build/fuzz/crashes/$target/" >&2
    fi
  done
done
exit "$failed"
