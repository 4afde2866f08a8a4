#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine, run as root: installs what the build needs,
# builds the Linux and the Windows plug-in and the command-line host, and runs the host on
# both modules (the Windows one under Wine).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

bash "$repo/scripts/setup-debian.sh"
bash "$repo/scripts/build-mingw-deps.sh"
bash "$repo/scripts/build.sh"

linux=${QUELLORN_LINUX_BUILD:-$repo/build/linux}
windows=${QUELLORN_WINDOWS_BUILD:-$repo/build/windows}

echo
echo "== Linux plug-in: $linux/Quellorn.so"
"$linux/tools/host/quellorn-host" info "$linux/Quellorn.so"
echo
echo "== Windows plug-in, under Wine: $windows/Quellorn.dll"
bash "$repo/scripts/wine-run.sh" "$windows/tools/host/quellorn-host.exe" info \
  "Z:$(realpath "$windows/Quellorn.dll" | tr '/' '\\')" | head -12
echo "..."
echo
echo "Install into a host: copy $linux/Quellorn.so to ~/.vst (Linux) or"
echo "$windows/Quellorn.dll to the host's VstPlugins folder (Windows)."
