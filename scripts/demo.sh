#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine, run as root: installs what the build needs,
# builds the Linux and the Windows plug-in and the command-line host, shows what each
# module reports, then renders the demo song (examples/, made by scripts/make-demo.sh)
# through both modules, the Windows one under Wine, and compares the two renders.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

bash "$repo/scripts/setup-debian.sh"
bash "$repo/scripts/build-mingw-deps.sh"
bash "$repo/scripts/build.sh"

linux=${QUELLORN_LINUX_BUILD:-$repo/build/linux}
windows=${QUELLORN_WINDOWS_BUILD:-$repo/build/windows}
out=${QUELLORN_DEMO_DIR:-$repo/build}
mkdir -p "$out"

# Wine's Z: drive is the Unix root, so an absolute path maps one to one.
windows_path() { printf 'Z:%s' "$(realpath -m "$1" | tr '/' '\\')"; }
native_path() { realpath -m "$1"; }

# The demo's sounds and settings: bass, pad and lead samples side by side, each slot
# playing only its part of the keyboard. Paths go through $1, for the host that runs.
demo_options() {
  local path=$1 examples=$repo/examples
  DEMO=(
    --tail 3
    --slot "1=$($path "$examples/bass.wav")"
    --slot "2=$($path "$examples/pad.wav")"
    --slot "3=$($path "$examples/lead.wav")"
    # Slot 1, bass: a pluck recorded at A2 (key 45), keys C1 to B2.
    --param "Low Note@1=24" --param "High Note@1=47" --param "Root Note@1=45"
    --param "Attack@1=0.01" --param "Release@1=0.25" --param "Loop@1=No" --param "Volume@1=-8"
    # Slot 2, pad: a looped tone at A3 (key 57), keys C3 to B4, slow attack, panned in turns.
    --param "Low Note@2=48" --param "High Note@2=71" --param "Root Note@2=57"
    --param "Attack@2=0.4" --param "Release@2=1.2" --param "Loop@2=Yes"
    --param "Alternate Pan@2=Yes" --param "Pan@2=35" --param "Volume@2=-16"
    # Slot 3, lead: a bell at A5 (key 81), keys C5 and up, a little to the left.
    --param "Low Note@3=72" --param "High Note@3=108" --param "Root Note@3=81"
    --param "Attack@3=0.01" --param "Release@3=0.7" --param "Loop@3=No"
    --param "Pan@3=-20" --param "Volume@3=-11"
  )
}

echo
echo "== Linux plug-in: $linux/Quellorn.so"
# Captured first: head stops reading early, and under pipefail the host's broken pipe
# would count as a failure.
info=$("$linux/tools/host/quellorn-host" info "$linux/Quellorn.so")
head -n 12 <<<"$info"
echo "..."

echo
echo "== Demo song through the Linux plug-in"
demo_options native_path
"$linux/tools/host/quellorn-host" render "$linux/Quellorn.so" "$repo/examples/demo.mid" \
  "$out/demo.wav" "${DEMO[@]}" | tail -1

echo
echo "== Demo song through the Windows plug-in, under Wine"
demo_options windows_path
bash "$repo/scripts/wine-run.sh" "$windows/tools/host/quellorn-host.exe" render \
  "$(windows_path "$windows/Quellorn.dll")" "$(windows_path "$repo/examples/demo.mid")" \
  "$(windows_path "$out/demo-windows.wav")" "${DEMO[@]}" | tail -1

echo
echo "== Linux and Windows renders compared"
if python3 "$repo/scripts/compare-wav.py" "$out/demo.wav" "$out/demo-windows.wav"; then
  echo "The two renders are bit-identical."
else
  echo "The two renders differ." >&2
  exit 1
fi

echo
echo "Demo render:      $out/demo.wav"
echo "Windows render:   $out/demo-windows.wav"
echo "Linux plug-in:    $linux/Quellorn.so"
echo "Windows plug-in:  $windows/Quellorn.dll"
echo "Install into a host: copy Quellorn.so to ~/.vst (Linux) or Quellorn.dll to the"
echo "host's VstPlugins folder (Windows)."
