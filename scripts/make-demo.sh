#!/usr/bin/env bash
# Makes the demo's inputs in examples/: three short samples synthesised by sox, and the
# song, examples/demo.mid, written by scripts/make-demo-midi.py. The results are checked
# into git so the demo needs no sox; run this again only to change them.
#
#   bass.wav  a plucked A2 (110 Hz, key 45), fading out within its second
#   pad.wav   A3 (220 Hz, key 57): three triangle waves a hertz apart and the octave above;
#             each completes whole cycles in the second, so the sample loops without a click
#   lead.wav  a bell on A5 (880 Hz, key 81): inharmonic partials that die away at their
#             own rates
#
# All are 44.1 kHz 16-bit mono WAV with the plain PCM header. -D (no dither) and -R (fixed
# random seed, for the pluck) make every run write the same bytes.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$repo/examples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

tone() { # OUTPUT SECONDS synth-and-effect arguments...
    local output=$1 seconds=$2
    shift 2
    sox -D -R -n -r 44100 -b 16 -c 1 -t wavpcm "$output" synth "$seconds" "$@"
}

tone "$out/bass.wav" 1.0 pluck 110 fade 0 1.0 0.25 gain -n -1
tone "$out/pad.wav" 1.0 triangle 219 triangle 220 triangle 221 sine 440 remix - gain -n -1

# The bell's partials, each with its own decay, mixed at their own levels.
tone "$work/p1.wav" 1.0 sine 880 fade l 0.003 1.0 0.99
tone "$work/p2.wav" 1.0 sine 1760 fade l 0.003 0.7 0.69 pad 0 0.3
tone "$work/p3.wav" 1.0 sine 2429 fade l 0.002 0.35 0.34 pad 0 0.65
tone "$work/p4.wav" 1.0 sine 4752 fade l 0.001 0.12 0.11 pad 0 0.88
sox -D -R -m -v 0.5 "$work/p1.wav" -v 0.22 "$work/p2.wav" -v 0.17 "$work/p3.wav" \
    -v 0.1 "$work/p4.wav" -t wavpcm "$out/lead.wav" trim 0 1.0 gain -n -1

python3 "$repo/scripts/make-demo-midi.py" "$out/demo.mid"

wc -c "$out"/bass.wav "$out"/pad.wav "$out"/lead.wav "$out"/demo.mid
