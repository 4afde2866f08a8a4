#!/usr/bin/env bash
# Redraws the editor's images into resources/img from the generator's code (tools/artgen),
# building the generator natively first. Usage: scripts/make-art.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/linux}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --target art
