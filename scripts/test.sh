#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the Linux build, then the
# Windows x64 DLLs, cross-built with MinGW-w64, whose tests run under Wine,
# then the Linux suite again under AddressSanitizer with
# UndefinedBehaviorSanitizer, and under ThreadSanitizer. Any sanitizer report
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset release
cmake --build --preset release
ctest --preset release

cmake --preset windows
cmake --build --preset windows
scripts/wine-run.sh --prepare
ctest --preset windows

for preset in asan tsan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
