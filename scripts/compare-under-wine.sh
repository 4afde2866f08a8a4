#!/usr/bin/env bash
# Runs the same quellorn-host command natively on the Linux module and under Wine on the
# Windows build, and fails unless the two outputs are byte for byte the same.
# Usage: compare-under-wine.sh NATIVE_HOST NATIVE_MODULE WIN_HOST_EXE WIN_DLL COMMAND [ARGS...]
set -euo pipefail
native_host=$1 native_module=$2 win_host=$3 win_dll=$4
shift 4
command=$1
shift

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$native_host" "$command" "$native_module" "$@" > "$work/native.txt"
# Z: is Wine's drive for the Unix root, so an absolute path maps one to one.
win_path="Z:$(realpath "$win_dll" | tr '/' '\\')"
"$here/wine-run.sh" "$win_host" "$command" "$win_path" "$@" > "$work/windows.txt" || {
  echo "the Windows host failed under Wine" >&2
  cat "$work/windows.txt" >&2
  exit 1
}
if ! cmp -s "$work/native.txt" "$work/windows.txt"; then
  echo "outputs differ (native left, Windows right):" >&2
  diff "$work/native.txt" "$work/windows.txt" >&2 || true
  exit 1
fi
echo "identical output, $(wc -l < "$work/native.txt") lines"
