#!/usr/bin/env bash
# Builds the host preset and runs every benchmark program (bench_*), one
# process and one thread each. Extra arguments go to every program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
mkdir -p build
cmake --preset host >build/configure-host.log 2>&1 || { cat build/configure-host.log; exit 1; }
cmake --build --preset host >/dev/null
status=0
for program in build/host/bin/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" "$@" || status=1
done
exit $status
