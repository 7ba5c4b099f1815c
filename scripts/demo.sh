#!/usr/bin/env bash
# Builds the SDK for x86-64 Windows and runs the sample program against the
# DLL under Wine on two emulated cameras (the 32-bit DLL itself cannot execute
# on this machine): snapshots saved in every format under out/, a few seconds
# of live preview. Arguments go to the sample; without any it starts from a
# machine where the SDK never ran (--fresh) and writes to out/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
mkdir -p build
cmake --preset win64 >build/configure-win64.log 2>&1 || { cat build/configure-win64.log; exit 1; }
cmake --build --preset win64 --target kelvo_demo >/dev/null
mkdir -p out
[ $# -gt 0 ] || set -- --fresh out
KELVO_Q12_EMULATOR=${KELVO_Q12_EMULATOR:-2} \
  scripts/wine-session.sh scripts/wine-run.sh build/win64/bin/kelvo_demo.exe "$@"
echo "demo: the pictures are in $(pwd)/out"
