#!/usr/bin/env bash
# Runs a Windows program that opens windows (the editor window tests) under Wine in a
# private Xvfb server (scripts/with-xvfb.sh), for the Windows suite, which runs with
# DISPLAY unset.
#   wine-window-test.sh wine64 program.exe [args...]
#
# The window tests use a Wine prefix of their own: the suite's shared prefix runs a
# persistent wineserver whose desktop was started by headless programs, and no window of
# a later program on that desktop can be created. Runs on this prefix take turns (a lock
# held until the run ends), so its desktop belongs to the display of the run that started
# it; the run ends only once the prefix's wineserver has gone. Bounds: 300 seconds for the
# lock, 120 for making the prefix on first use, QUELLORN_XVFB_TIMEOUT (300) for the program.
set -euo pipefail

if [ "${1:-}" = --in-display ]; then
  shift
  wine=$1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 120 "$wine" wineboot --init >/dev/null 2>&1 || true
  fi
  status=0
  "$@" || status=$?
  wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  timeout 30 "$wineserver" -w 2>/dev/null || true
  exit $status
fi

[ $# -ge 2 ] || { echo "usage: $0 wine64 program.exe [args...]" >&2; exit 2; }
export WINEPREFIX=${QUELLORN_WINDOW_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quellorn/wineprefix-window}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock -w 300 9 || { echo "another window test run holds $WINEPREFIX for too long" >&2; exit 1; }
exec "$(dirname "$0")/with-xvfb.sh" "$0" --in-display "$@"
