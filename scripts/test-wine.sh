#!/usr/bin/env bash
# The Windows suites of one build, run inside one Wine session by
# scripts/test.sh:
#   scripts/test-wine.sh win64   the x86-64 twin under 64-bit Wine (the default)
#   scripts/test-wine.sh win32   the shipped 32-bit DLL under 32-bit Wine on
#                                QEMU's user-mode emulator, on a real x87 unit
# Every test program of the build through CTest (the processing suite there
# with the variant the processor record picks), then the processing suite
# once per forced SIMD variant. Failing tests are named in the output.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-win64}
ctest --preset "$preset"
for variant in none mmx sse2; do
  echo "processing_tests with KELVO_Q12_SIMD=$variant"
  KELVO_Q12_SIMD=$variant scripts/wine-run.sh "build/$preset/bin/processing_tests.exe" --gtest_brief=1
done
