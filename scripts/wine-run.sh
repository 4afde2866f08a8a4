#!/usr/bin/env bash
# Runs a Windows console program under 64-bit Wine, headless and quiet, in a Wine prefix
# of our own (created on first use, which takes a while). Extra arguments go to the program.
set -euo pipefail
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "wine64 is not installed (apt-get install wine64)" >&2; exit 127; }

export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quellorn/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Console programs need no display; without one Wine does not try to open windows.
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
exec "$wine" "$@"
