#!/usr/bin/env bash
# The main job: builds the plug-ins and qzrender and installs them, with
# their declarations, headers and the binding library, under ./dist (or
# $PREFIX); then renders the full view of the Mandelbrot set through the
# five-band ramp with the installed qzrender, to build/full_view.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
prefix="${PREFIX:-$PWD/dist}"
cmake --preset release -DCMAKE_INSTALL_PREFIX="$prefix"
cmake --build --preset release
cmake --install build/release
echo "installed to $prefix: plug-ins in lib/qzfractal, declarations in share/qzfractal/include, qzrender in bin"

"$prefix/bin/qzrender" examples/full_view_ramp.mi -o build/full_view.png --res 640 480 --samples 3
echo "rendered build/full_view.png"
