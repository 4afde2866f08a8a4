#!/usr/bin/env bash
# Runs a command inside a virtual X display of its own, for window tests that must run
# where there is no display (the Windows suite runs with DISPLAY unset). Xvfb picks a free
# display number itself (-displayfd), so parallel runs cannot collide; the server is
# stopped when the command ends. The command is bounded by QUELLORN_XVFB_TIMEOUT seconds
# (default 240) and the display's start by 20.
#   run-with-xvfb.sh program [args...]
set -euo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (apt-get install xvfb)" >&2; exit 127; }

fdfile=$(mktemp)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -f "$fdfile"
}
trap cleanup EXIT

# 24-bit colour: the window's pixels are compared with the canvas's, bit for bit.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$fdfile" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
display=$(head -n1 "$fdfile")
[ -n "$display" ] || { echo "Xvfb gave no display within 20 seconds" >&2; exit 1; }

export DISPLAY=":$display"
# The project's Wine prefix, as scripts/wine-run.sh uses it.
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quellorn/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
timeout --kill-after=10 "${QUELLORN_XVFB_TIMEOUT:-240}" "$@"
