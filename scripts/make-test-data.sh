#!/usr/bin/env bash
# Makes the WAV fixtures in tests/data/wav with sox, so that the files and the values the
# tests expect come from a third-party encoder and decoder, not from our reader:
#
#   NAME.wav  a short tone written by sox in one of the encodings the sampler reads
#   NAME.f64  sox's own decoding of NAME.wav: interleaved little-endian doubles
#
# sox decodes integer PCM exactly (v / 2^(bits-1)); the float files carry 16-bit values,
# which survive sox's 32-bit integer pipeline exactly, so every .f64 holds the exact
# values the reader must produce. -D (no dither) and -R keep the output repeatable.
# The results are checked into git; run this again only to change them.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$repo/tests/data/wav
mkdir -p "$out"
cd "$out"

tone() { # name rate bits channels type [encoding] -- synth arguments
    local name=$1 rate=$2 bits=$3 channels=$4 type=$5
    shift 5
    sox -D -R -n -r "$rate" -b "$bits" -c "$channels" "$@" -t "$type" "$name.wav" \
        synth 0.05 sine 440 sine 660 sine 990 sine 1320
}

# Integer PCM; wavpcm keeps the plain format header the sampler accepts.
tone pcm8-mono 11025 8 1 wavpcm
tone pcm16-stereo 8000 16 2 wavpcm
tone pcm24-stereo 8000 24 2 wavpcm
tone pcm16-quad 8000 16 4 wavpcm
# Float: converted from the 16-bit file, so the values are exact in every step.
sox -D pcm16-stereo.wav -e floating-point -b 32 -t wavpcm float32-stereo.wav
sox -D pcm16-stereo.wav -e floating-point -b 64 -t wavpcm float64-stereo.wav
# sox's default header for 24 bits is the extensible format, which the sampler refuses.
tone extensible24-stereo 8000 24 2 wav

for name in pcm8-mono pcm16-stereo pcm24-stereo pcm16-quad float32-stereo float64-stereo; do
    sox "$name.wav" -t f64 "$name.f64"
done
ls -l "$out"
