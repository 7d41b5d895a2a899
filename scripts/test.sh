#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the Linux build, then the
# Windows x64 DLLs, cross-built with MinGW-w64, whose tests run under Wine.
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
