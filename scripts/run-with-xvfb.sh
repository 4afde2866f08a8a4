#!/usr/bin/env bash
# Runs a Windows program under Wine inside a virtual X display of its own, for the editor
# window tests (the Windows suite runs with DISPLAY unset). Xvfb picks a free display number
# itself (-displayfd), so parallel runs cannot collide; it is stopped when the command ends.
#   run-with-xvfb.sh wine64 program.exe [args...]
#
# The window tests use a Wine prefix of their own: the suite's shared prefix runs a
# persistent wineserver whose desktop was started by headless programs, and windows of
# any later program on that desktop cannot be created. Runs on this prefix take turns
# (a lock), so its desktop always belongs to the display of the run that started it.
# Bounds: 300 seconds for the lock, 20 for the display's start, QUELLORN_XVFB_TIMEOUT
# (default 240) for the command.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (apt-get install xvfb)" >&2; exit 127; }
[ $# -ge 1 ] || { echo "usage: $0 wine64 program.exe [args...]" >&2; exit 2; }

export WINEPREFIX=${QUELLORN_WINDOW_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quellorn/wineprefix-window}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock -w 300 9 || { echo "another window test run holds $WINEPREFIX for too long" >&2; exit 1; }

fdfile=$(mktemp)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -f "$fdfile"
}
trap cleanup EXIT

# 24-bit colour: the window's pixels are compared with the canvas's, bit for bit.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$fdfile" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
display=$(head -n1 "$fdfile")
[ -n "$display" ] || { echo "Xvfb gave no display within 20 seconds" >&2; exit 1; }
export DISPLAY=":$display"

wine=$1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 120 "$wine" wineboot --init >/dev/null 2>&1 || true
fi
status=0
timeout --kill-after=10 "${QUELLORN_XVFB_TIMEOUT:-240}" "$@" || status=$?
# The prefix's wineserver and desktop go with this run's display.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
timeout 30 "$wineserver" -w 2>/dev/null || true
exit $status
