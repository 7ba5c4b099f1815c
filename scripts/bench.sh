#!/usr/bin/env bash
# Runs every benchmark program (bench_*): the host build's, then the win64
# build's under Wine, each program in one process, and prints the Wine times
# against the host's for the processing benchmark. Extra arguments go to every
# program; KELVO_BENCH_WINE=0 skips the Wine half. JSON results in build/bench/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
mkdir -p build/bench
# build <preset> [targets...]
build() {
  local preset=$1
  shift
  cmake --preset "$preset" >"build/configure-$preset.log" 2>&1 || { cat "build/configure-$preset.log"; exit 1; }
  cmake --build --preset "$preset" ${1:+--target "$@"} >/dev/null
}

build host
status=0
for program in build/host/bin/bench_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  echo "== $name (host)"
  "$program" --benchmark_out="build/bench/host-$name.json" "$@" || status=1
done

[ "${KELVO_BENCH_WINE:-1}" != 0 ] || exit $status
build win64 bench_processing bench_preview bench_files bench_device
# Inside one Wine session; the results are written beside the host's.
# shellcheck disable=SC2016 # expanded by the inner shell
scripts/wine-session.sh bash -c '
  status=0
  for program in build/win64/bin/bench_*.exe; do
    name=$(basename "$program" .exe)
    echo "== $name (win64 under Wine)"
    scripts/wine-run.sh "$program" --benchmark_out="build/bench/win64-$name.json" "$@" || status=1
  done
  exit $status' bench "$@" || status=1
echo "== the processing benchmark: host (first) and win64 under Wine (second)"
scripts/compare-bench.py build/bench/host-bench_processing.json build/bench/win64-bench_processing.json ||
  status=1
exit $status
