#!/usr/bin/env bash
# The Windows suites of the win64 build, run inside one Wine session by
# scripts/test.sh: every test program through CTest, then the processing
# tests once per SIMD variant.
set -euo pipefail
cd "$(dirname "$0")/.."
ctest --preset win64
for variant in none mmx sse2; do
  echo "processing_tests with KELVO_Q12_SIMD=$variant"
  KELVO_Q12_SIMD=$variant scripts/wine-run.sh build/win64/bin/processing_tests.exe | tail -n 1
  [ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
done
