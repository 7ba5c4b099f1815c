#!/usr/bin/env bash
# The soak: three emulated cameras for a bounded time with a fault timeline
# and a busy second thread, on the host build and the win64 build under Wine
# (the dialogs and trigger mode only there). Fails when a count is not back
# at its start or a fault went unreported.
#   scripts/soak.sh [seconds]   (default 180, each build)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}

for preset in host win64; do
  if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" >"build/configure-$preset.log" 2>&1 ||
      { cat "build/configure-$preset.log"; exit 1; }
  fi
  cmake --build --preset "$preset" -j2 --target kelvo_soak >"build/soak-build-$preset.log" 2>&1 ||
    { cat "build/soak-build-$preset.log"; exit 1; }
done

status=0
echo "== soak on the host, $seconds s"
build/host/bin/kelvo_soak "$seconds" || status=1
echo "== soak under Wine, $seconds s"
scripts/wine-run.sh build/win64/bin/kelvo_soak.exe "$seconds" || status=1
exit "$status"
