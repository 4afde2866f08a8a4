#!/usr/bin/env bash
# Fails when a Windows binary holds an aligned 256-bit move to or from memory. 64-bit
# Windows aligns the stack to 16 bytes only, and MinGW's compiler cannot always realign
# it for AVX values: an aligned move of a spilled AVX register would then fault at
# random on processors that take the AVX mixing path. Unaligned moves are as fast on
# aligned data, so none of ours needs the aligned form.
set -euo pipefail
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
status=0
for binary in "$@"; do
  [ -f "$binary" ] || { echo "missing: $binary" >&2; exit 1; }
  found=$("$objdump" -d --no-show-raw-insn "$binary" \
    | grep -E 'vmov(apd|aps|dqa|dqa64|ntpd|ntps|ntdq)[[:space:]].*%ymm' | grep '(' || true)
  if [[ -n $found ]]; then
    echo "$(basename "$binary") moves 256-bit values with alignment assumed:" >&2
    printf '%s\n' "$found" | head -n 20 >&2
    status=1
  else
    echo "$(basename "$binary"): $("$objdump" -d "$binary" | grep -c '%ymm' || true) AVX instructions, no aligned 256-bit memory moves"
  fi
done
exit $status
