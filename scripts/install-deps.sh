#!/usr/bin/env bash
# Installs, with apt-get, whatever this machine lacks to build and test the
# project. Safe to run again: packages already present are left alone.
#
#   scripts/install-deps.sh             what the build and the tests need
#   scripts/install-deps.sh --bench     also what bench/compare-renders.sh
#                                       runs: hyperfine and the peer renderers
#   scripts/install-deps.sh --linux     only what the Linux builds need
#   scripts/install-deps.sh --windows   only what the Windows build needs
#
# The last two split the first so that scripts/test.sh can start compiling
# for Linux while the Windows tool chain and Wine, the larger half of the
# download, are still being installed.
set -euo pipefail

linux=(
  cmake ninja-build g++ make
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # qzrender's image output
  libopenimageio-dev openimageio-tools
  # the sanitizer and fuzz presets: clang with its sanitizer and libFuzzer
  # runtimes, and llvm-symbolizer for readable reports
  clang-14 libclang-rt-14-dev llvm-14
)
# The Windows x64 build: MinGW-w64 (posix threads, for std::thread) and Wine
# to run its tests; the cross build compiles GoogleTest from its sources.
windows=(g++-mingw-w64-x86-64-posix wine64)
bench=(hyperfine gmic povray)

case "${1:-}" in
"") packages=("${linux[@]}" "${windows[@]}") ;;
--bench) packages=("${linux[@]}" "${windows[@]}" "${bench[@]}") ;;
--linux) packages=("${linux[@]}") ;;
--windows) packages=(cmake ninja-build googletest "${windows[@]}") ;;
*)
  echo "usage: $0 [--bench | --linux | --windows]" >&2
  exit 2
  ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
