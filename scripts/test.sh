#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the quick tests first,
# then the long ones.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
ctest --preset release
ctest --preset long # the slower checks, such as the Mandelbrot's shortcuts against the plain loop
