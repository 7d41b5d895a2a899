#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the Linux build with its
# quick tests, then the long ones, and the benchmarks once, briefly, so that
# they keep working; the Windows x64 DLLs, cross-built with MinGW-w64, whose
# tests run under Wine; and the Linux suite again under AddressSanitizer with
# UndefinedBehaviorSanitizer, and under ThreadSanitizer (any sanitizer report
# fails the run).
#
# The three go side by side, each a chain of steps that stops at its first
# failure: a build keeps both cores busy, but a test run leaves one idle for
# a while (Wine starting, the longest test finishing last), and the other
# chains fill it. Each chain writes to build/test-logs/<chain>.log, shown
# whole when it ends; the script fails if any chain failed.
set -euo pipefail
cd "$(dirname "$0")/.."

# The Linux chains start once their packages are in; the Windows chain
# installs MinGW-w64 and Wine meanwhile.
scripts/install-deps.sh --linux

linux() {
  cmake --preset release
  cmake --build --preset release
  ctest --preset release
  ctest --preset long # the slower checks, such as the Mandelbrot's shortcuts against the plain loop
  build/release/bench/qzfractal_benchmarks --benchmark_min_time=0.001 >/dev/null
}

windows() {
  scripts/install-deps.sh --windows
  # Wine makes its prefix while the DLLs compile.
  scripts/wine-run.sh --prepare &
  local prefix=$!
  cmake --preset windows
  cmake --build --preset windows
  wait "$prefix"
  ctest --preset windows
}

sanitizers() {
  local preset
  for preset in asan tsan; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
  done
}

logs=build/test-logs
mkdir -p "$logs"
declare -A chain_of
# The longest chain first: the others fill the gaps it leaves.
for chain in sanitizers linux windows; do
  # Run in the background, a chain keeps errexit: its first failing step ends it.
  "$chain" >"$logs/$chain.log" 2>&1 &
  chain_of[$!]=$chain
  echo "== $chain: started (log: $logs/$chain.log)"
done

failed=()
while [ ${#chain_of[@]} -gt 0 ]; do
  status=0
  wait -n -p done_pid "${!chain_of[@]}" || status=$?
  chain=${chain_of[$done_pid]}
  unset "chain_of[$done_pid]"
  cat "$logs/$chain.log"
  if [ $status -eq 0 ]; then
    echo "== $chain: passed after ${SECONDS} s"
  else
    echo "== $chain: FAILED (exit $status) after ${SECONDS} s"
    failed+=("$chain")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "== failed: ${failed[*]}"
  exit 1
fi
echo "== all passed in ${SECONDS} s"
