#!/usr/bin/env bash
# The demo: builds the SDK for x86-64 Windows and runs its samples against the
# DLL under Wine on two emulated cameras:
# - samples/capture: both cameras, a snapshot in each of the six colour modes
#   saved in every file format under out/, filter values read back, the
#   registry before and after a release, errors by name, timings;
# - samples/viewer: a few seconds of live preview in its window, with a
#   screenshot out/viewer.png;
# and then the product itself: the win32 package, with samples/capture built
# from it as a customer does, on one emulated camera under 32-bit Wine
# (QEMU's user-mode emulator runs it), files under out/win32/.
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

echo "== the shipped 32-bit DLL: samples/capture from the win32 package, under 32-bit Wine on 1 emulated camera"
scripts/package.sh win32 >/dev/null
version=$(sed -n 's/^project(KelvoSdkQ12 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
sdk=build/demo-win32/KelvoSdk_Q12-$version-win32
rm -rf build/demo-win32 && mkdir -p build/demo-win32 out/win32
(cd build/demo-win32 && cmake -E tar xf "../../dist/KelvoSdk_Q12-$version-win32.zip")
cmake -S "$sdk/samples" --preset mingw-i686-cross >build/demo-win32/configure.log 2>&1 ||
  { cat build/demo-win32/configure.log; exit 1; }
cmake --build "$sdk/samples/build/mingw-i686-cross" --target capture >/dev/null
KELVO_Q12_EMULATOR=1 scripts/wine-session.sh scripts/wine-run.sh \
  "$sdk/samples/build/mingw-i686-cross/capture/capture.exe" --fresh out/win32 | tee out/win32/capture.txt

echo "== where everything is"
echo "  pictures from capture:  $(pwd)/out/camera<n>-<mode>.<format> ($(find out -maxdepth 1 -name 'camera*-*' | wc -l) files)"
echo "  what capture printed:   $(pwd)/out/capture.txt"
echo "  the viewer's screenshot: $(pwd)/out/viewer.png"
echo "  the programs and DLL:   $(pwd)/build/win64/bin/ (sources in samples/)"
echo "  the 32-bit run:         $(pwd)/out/win32/ (capture.txt, $(find out/win32 -name 'camera*-*' | wc -l) files), from $(pwd)/dist/KelvoSdk_Q12-$version-win32.zip"
