#!/usr/bin/env bash
# Every test of the SDK: installs what is missing, builds the native, sanitizer,
# 32-bit and 64-bit Windows builds and the fuzz targets, runs the host suites
# (plain, under AddressSanitizer + UndefinedBehaviorSanitizer and under
# ThreadSanitizer), each fuzz target for 15 s, the soak for 30 s, the
# processing suite with x87 doubles, the win64 suites under Wine, the shipped
# 32-bit DLL's suites under 32-bit Wine on QEMU's user-mode emulator, the
# static checks on that DLL, and tests the packages (scripts/test-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

scripts/deps.sh

# build <preset> [targets...]
build() {
  local preset=$1
  shift
  echo "== build $preset"
  cmake --preset "$preset" >"build/configure-$preset.log" 2>&1 ||
    { cat "build/configure-$preset.log"; return 1; }
  cmake --build --preset "$preset" ${1:+--target "$@"}
}
mkdir -p build
for preset in host host-asan host-tsan win32 win64; do build "$preset"; done
# The processing suite with doubles on the x87 unit, as the i686 DLL does them.
build host-x87
# The libFuzzer targets: clang with ASan+UBSan.
build fuzz
echo "== dependencies and builds took $((SECONDS - started)) s"

passed=0 failed=0
stage() {
  local name=$1 began=$SECONDS
  shift
  echo "== $name"
  if "$@"; then
    passed=$((passed + 1))
    echo "== passed: $name, $((SECONDS - began)) s"
  else
    failed=$((failed + 1))
    echo "== FAILED: $name, $((SECONDS - began)) s"
  fi
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1
stage "host tests" ctest --preset host
stage "host tests under ASan+UBSan" ctest --preset host-asan
stage "host tests under TSan" ctest --preset host-tsan
# Each fuzz target for a bounded time from its seeds; a longer run: scripts/fuzz.sh <seconds>.
stage "fuzz targets, 15 s each" scripts/fuzz.sh 15
# One Xvfb display and one wineserver for every Windows suite.
stage "win64 tests under Wine" scripts/wine-session.sh scripts/test-wine.sh win64
# The product itself: the i686 DLL and its test programs under 32-bit Wine.
stage "win32 tests under 32-bit Wine" scripts/wine-session.sh scripts/test-wine.sh win32
# Three emulated cameras under a fault timeline, 30 s on the host and 30 s
# under Wine; a longer run: scripts/soak.sh <seconds>.
stage "soak, 30 s on the host and under Wine" scripts/wine-session.sh scripts/soak.sh 30

# The processing suites once per SIMD variant, as a processor without it would run them.
for variant in none mmx; do
  stage "processing tests, SIMD $variant" env KELVO_Q12_SIMD=$variant build/host/bin/processing_tests --gtest_brief=1
  stage "processing tests, SIMD $variant, ASan+UBSan" \
    env KELVO_Q12_SIMD=$variant build/host-asan/bin/processing_tests --gtest_brief=1
done
stage "processing tests, x87 doubles at extended precision" build/host-x87/bin/processing_tests --gtest_brief=1
# The packages as customers get them: file lists, samples built through
# find_package, the MSVC import library with lld-link, win64 programs under Wine.
stage "packages" scripts/wine-session.sh scripts/test-package.sh
stage "static checks of the win32 DLL" scripts/check-dll.sh build/win32/bin/KelvoSdk_Q12.dll include/KelvoSdk_Q12.h

echo "== test suites took $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
