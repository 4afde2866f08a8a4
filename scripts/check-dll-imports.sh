#!/usr/bin/env bash
# Fails when a Windows binary imports anything but Windows system DLLs: the plug-in must
# load on a machine that has no MinGW runtime (libstdc++, libgcc, winpthread) installed.
set -euo pipefail
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|comctl32|msvcrt|ws2_32|winmm|shlwapi|uuid|imm32|version|api-ms-win-[a-z0-9-]+)\.dll$'
status=0
for binary in "$@"; do
  [ -f "$binary" ] || { echo "missing: $binary" >&2; exit 1; }
  while read -r dll; do
    lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
    if [[ ! $lower =~ $allowed ]]; then
      echo "$(basename "$binary") imports $dll, which is not a Windows system DLL" >&2
      status=1
    fi
  done < <("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
  echo "$(basename "$binary"): $("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
done
exit $status
