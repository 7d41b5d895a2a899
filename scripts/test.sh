#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the release build, then
# the same suite under AddressSanitizer with UndefinedBehaviorSanitizer, and
# under ThreadSanitizer. Any sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in release asan tsan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
