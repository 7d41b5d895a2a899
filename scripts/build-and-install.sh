#!/usr/bin/env bash
# The main job: builds the plug-ins and installs them, with their
# declarations, headers and the binding library, under ./dist (or $PREFIX).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
prefix="${PREFIX:-$PWD/dist}"
cmake --preset release -DCMAKE_INSTALL_PREFIX="$prefix"
cmake --build --preset release
cmake --install build/release
echo "installed to $prefix: plug-ins in lib/qzfractal, declarations in share/qzfractal/include"
