#!/usr/bin/env bash
# Runs a Windows program under Wine, in the project's own prefix:
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
#   scripts/wine-run.sh --prepare        (only make sure the prefix exists)
#
# CTest uses this as the emulator of the windows preset. Wine needs a prefix
# (its C: drive and registry) before the first program starts; this makes one
# under build/ on first use, quietly and without a display or network: no
# X server is asked for, and the Mono and Gecko installers, which would
# prompt for a download, are switched off. Later runs find it ready at once.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$repo/build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# Debian's wine64 package keeps its programs out of PATH; the wine package
# adds wrappers there. Either will do.
first_executable() {
  for candidate in "$@"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      echo "$candidate"
      return 0
    fi
  done
  echo "wine-run: Wine is not installed (scripts/install-deps.sh installs it)" >&2
  exit 127
}
wine="$(first_executable "$(command -v wine64)" /usr/lib/wine/wine64)"
wineserver="$(first_executable "$(command -v wineserver)" /usr/lib/wine/wineserver)"

ready="$WINEPREFIX/.qzfractal-ready"
if [ ! -e "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Tests may start in parallel: one makes the prefix, the others wait.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -e "$ready" ]; then
    rm -rf "$WINEPREFIX"
    log="$WINEPREFIX.log"
    # wineboot reports what a 64-bit-only Wine cannot set up (the 32-bit
    # side); that is expected, so its chatter goes to a log shown only when
    # the prefix is not usable afterwards.
    if ! "$wine" wineboot --init >"$log" 2>&1 || ! "$wineserver" -w >>"$log" 2>&1 ||
      [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
      echo "wine-run: could not create the Wine prefix $WINEPREFIX:" >&2
      cat "$log" >&2
      exit 1
    fi
    touch "$ready"
  fi
  flock -u 9
  exec 9>&-
fi

[ "${1:-}" = "--prepare" ] && exit 0
# CTest waits for every process that holds its output pipe. Wine's server and
# its background processes (services, device drivers) outlive each program
# and would hold that pipe for seconds after every test, so a fresh server is
# started here with no standard streams, kept for 10 s between programs, and
# wineboot starts the background processes under it the same way.
if "$wineserver" -p10 </dev/null >/dev/null 2>&1; then
  "$wine" wineboot </dev/null >/dev/null 2>&1 || true
fi
exec "$wine" "$@"
