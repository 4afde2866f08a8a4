#!/usr/bin/env bash
# Configures and builds both targets: the Linux tree (build/linux) and the Windows tree
# made with MinGW-w64 (build/windows). Extra arguments go to both CMake configure steps.
# Assumes scripts/setup-debian.sh and scripts/build-mingw-deps.sh have run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
linux=${QUELLORN_LINUX_BUILD:-$repo/build/linux}
windows=${QUELLORN_WINDOWS_BUILD:-$repo/build/windows}
jobs=${QUELLORN_JOBS:-$(nproc)}

step() { printf '[build] %s\n' "$*"; }

start=$(date +%s)
step "Windows build in $windows"
cmake -S "$repo" -B "$windows" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$windows" -j "$jobs"
mid=$(date +%s)

step "Linux build in $linux"
cmake -S "$repo" -B "$linux" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DQUELLORN_WINDOWS_BUILD_DIR="$windows" "$@" >/dev/null
cmake --build "$linux" -j "$jobs"
end=$(date +%s)

step "Windows build took $((mid - start)) s, Linux build $((end - mid)) s"
step "plug-in modules:"
ls -l "$linux/Quellorn.so" "$windows/Quellorn.dll" | awk '{print "[build]   " $5 " bytes  " $9}'
