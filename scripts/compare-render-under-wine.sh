#!/usr/bin/env bash
# Runs the same quellorn-host command that writes a file natively on the Linux module and
# under Wine on the Windows build, and fails unless both files agree: the same audio bit for
# bit for a WAV file (scripts/compare-wav.py), the same bytes for a `snapshot` picture.
# Usage: compare-render-under-wine.sh NATIVE_HOST NATIVE_MODULE WIN_HOST_EXE WIN_DLL COMMAND [ARGS...]
#
# In ARGS, @OUT@ stands for the file the command writes; each side writes its own. An
# absolute path, as a whole argument or after "=" (--slot 1=/data/bass.wav), reaches the
# Windows program as the same file on Wine's Z: drive, which maps the Unix root.
set -euo pipefail
native_host=$1 native_module=$2 win_host=$3 win_dll=$4
shift 4
command=$1
shift

here=$(cd "$(dirname "$0")" && pwd)
# Wine may hang on a broken prefix; a test must end.
wine_seconds=${QUELLORN_WINE_TIMEOUT:-240}
ext=wav
[ "$command" = snapshot ] && ext=png
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

windows_path() {
  printf 'Z:%s' "$(realpath -m "$1" | tr '/' '\\')"
}

native_args=()
win_args=()
for arg in "$@"; do
  native_args+=("${arg//@OUT@/"$work/native.$ext"}")
  case $arg in
    *@OUT@*) win_args+=("${arg//@OUT@/"$(windows_path "$work/windows.$ext")"}") ;;
    /*) win_args+=("$(windows_path "$arg")") ;;
    *=/*) win_args+=("${arg%%=/*}=$(windows_path "/${arg#*=/}")") ;;
    *) win_args+=("$arg") ;;
  esac
done

"$native_host" "$command" "$native_module" "${native_args[@]}" > "$work/native.txt" 2>&1 || {
  echo "the native host failed:" >&2
  cat "$work/native.txt" >&2
  exit 1
}
timeout "$wine_seconds" "$here/wine-run.sh" "$win_host" "$command" "$(windows_path "$win_dll")" \
  "${win_args[@]}" > "$work/windows.txt" 2>&1 || {
  echo "the Windows host failed under Wine:" >&2
  cat "$work/windows.txt" >&2
  exit 1
}
if [ "$ext" = png ]; then
  cmp "$work/native.png" "$work/windows.png"
else
  python3 "$here/compare-wav.py" "$work/native.wav" "$work/windows.wav"
fi
