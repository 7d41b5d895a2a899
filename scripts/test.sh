#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the Linux build with its
# quick tests, then the long ones, then the Windows x64 DLLs, cross-built
# with MinGW-w64, whose tests run under Wine, then the Linux suite again
# under AddressSanitizer with UndefinedBehaviorSanitizer, and under
# ThreadSanitizer (any sanitizer report fails the run); last, the benchmarks
# are built and run once, briefly, so that they keep working.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset release
cmake --build --preset release
ctest --preset release
ctest --preset long # the slower checks, such as the Mandelbrot's shortcuts against the plain loop

cmake --preset windows
cmake --build --preset windows
scripts/wine-run.sh --prepare
ctest --preset windows

for preset in asan tsan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

cmake --preset bench
cmake --build --preset bench
build/bench/bench/qzfractal_benchmarks --benchmark_min_time=0.001 >/dev/null
