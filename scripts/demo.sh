#!/usr/bin/env bash
# The demo: builds the SDK for x86-64 Windows and runs its samples against the
# DLL under Wine on two emulated cameras (the 32-bit DLL itself cannot execute
# on this machine):
# - samples/capture: both cameras, a snapshot in each of the six colour modes
#   saved in every file format under out/, filter values read back, the
#   registry before and after a release, errors by name, timings;
# - samples/viewer: a few seconds of live preview in its window, with a
#   screenshot out/viewer.png.
# It starts from a machine where the SDK never ran (the stored settings are
# removed first).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
mkdir -p build out
cmake --preset win64 >build/configure-win64.log 2>&1 || { cat build/configure-win64.log; exit 1; }
cmake --build --preset win64 --target capture viewer >/dev/null
export KELVO_Q12_EMULATOR=${KELVO_Q12_EMULATOR:-2}

echo "== samples/capture on $KELVO_Q12_EMULATOR emulated cameras"
scripts/wine-session.sh scripts/wine-run.sh build/win64/bin/capture.exe --fresh out | tee out/capture.txt
echo "== samples/viewer for 6 seconds"
scripts/wine-session.sh scripts/show-viewer.sh build/win64/bin/viewer.exe 6 out/viewer.png

echo "== where everything is"
echo "  pictures from capture:  $(pwd)/out/camera<n>-<mode>.<format> ($(find out -name 'camera*-*' | wc -l) files)"
echo "  what capture printed:   $(pwd)/out/capture.txt"
echo "  the viewer's screenshot: $(pwd)/out/viewer.png"
echo "  the programs and DLL:   $(pwd)/build/win64/bin/ (sources in samples/)"
