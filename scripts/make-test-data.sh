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
#
# FLAC fixtures in tests/data/flac, encoded by the flac tool from WAVs of tests/data/wav,
# so the WAV reader's values for the source are the values the FLAC reader must give:
#
#   NAME.flac        encoded from wav/NAME.wav
#   NAME-blocks.flac the same in blocks of 64 frames, so that damage falls between blocks
#                    already decoded and blocks still to come
#   pcm12-mono.flac  and pcm32-mono.flac, depths sox doesn't write, encoded from WAVs
#                    made here; NAME.f64 holds their integers scaled by 2^-(bits-1)
#
# And the Ogg Vorbis fixtures in tests/data/ogg, encoded by oggenc (vorbis-tools) from
# WAVs made here with sox:
#
#   NAME.ogg  the encoded file; -s fixes the stream serial, so the files come out the
#             same every time and any two of them can be chained
#   NAME.f32  libsndfile's decoding of NAME.ogg (sndfile-convert, package sndfile-programs):
#             interleaved little-endian floats. sox's own Ogg input goes through 16-bit
#             integers, too coarse to check a float decoder against.
#
# The results are checked into git; run this again only to change them.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
for tool in sox flac python3 oggenc sndfile-convert; do
    command -v "$tool" >/dev/null || {
        echo "$tool missing: apt-get install sox flac python3 vorbis-tools sndfile-programs" >&2
        exit 1
    }
done
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
# 32-bit integers in the plain header.
tone pcm32-stereo 8000 32 2 wavpcm
# sox's default header is the extensible format for more than 16 bits or more than two
# channels.
tone extensible24-stereo 8000 24 2 wav
tone extensible32-stereo 8000 32 2 wav
tone extensible16-quad 8000 16 4 wav
# Float stays in the plain header (tag 3), whatever the channel count.
sox -D extensible16-quad.wav -e floating-point -b 32 -t wav float32-quad.wav
# Every channel its own pitch, so a channel taken from the wrong place shows.
sox -D -R -n -r 8000 -b 24 -c 6 -t wav pcm24-six.wav \
    synth 0.05 sine 300 sine 500 sine 700 sine 900 sine 1100 sine 1300

for name in pcm8-mono pcm16-stereo pcm24-stereo pcm16-quad float32-stereo float64-stereo \
    pcm32-stereo extensible24-stereo extensible32-stereo extensible16-quad \
    float32-quad pcm24-six; do
    sox "$name.wav" -t f64 "$name.f64"
done
ls -l "$out"

flacs=$repo/tests/data/flac
mkdir -p "$flacs"
for name in pcm8-mono pcm16-stereo pcm24-stereo pcm24-six; do
    flac -s -f --no-padding -o "$flacs/$name.flac" "$out/$name.wav"
done
flac -s -f --no-padding -b 64 -o "$flacs/pcm24-stereo-blocks.flac" "$out/pcm24-stereo.wav"
# Depths sox can't write, from an extensible WAV that states them as its valid bits: a
# ramp over the whole range of the depth, written here.
wav_of_depth() { # name bits container-bytes
    local name=$1 bits=$2 bytes=$3
    python3 - "$bits" "$bytes" "$work/$name.wav" "$flacs/$name.f64" <<'PY'
import struct, sys
bits, size = int(sys.argv[1]), int(sys.argv[2])
low, high = -(1 << (bits - 1)), (1 << (bits - 1)) - 1
values = [low, high, 0, 1, -1] + [low + (high - low) * i // 300 for i in range(301)]
shift = 8 * size - bits
data = b"".join((v << shift).to_bytes(size, "little", signed=True) for v in values)
pcm = bytes([1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
fmt = struct.pack("<HHIIHHHHI", 0xFFFE, 1, 8000, 8000 * size, size, 8 * size, 22, bits, 4) + pcm
body = b"WAVEfmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
with open(sys.argv[3], "wb") as wav:
    wav.write(b"RIFF" + struct.pack("<I", len(body)) + body)
with open(sys.argv[4], "wb") as f64:
    for v in values:
        f64.write(struct.pack("<d", v / (1 << (bits - 1))))
PY
    flac -s -f --no-padding -o "$flacs/$name.flac" "$work/$name.wav"
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wav_of_depth pcm12-mono 12 2
wav_of_depth pcm32-mono 32 4
ls -l "$flacs"

# Ogg Vorbis. Each .f32 stays under 30 KB, which sets the lengths.
ogg=$repo/tests/data/ogg
mkdir -p "$ogg"

encode() { # name serial quality rate channels seconds -- synth arguments
    local name=$1 serial=$2 quality=$3 rate=$4 channels=$5 seconds=$6
    shift 6
    sox -D -R -n -r "$rate" -b 16 -c "$channels" "$work/$name.wav" synth "$seconds" "$@"
    oggenc -Q -q "$quality" -s "$serial" -o "$ogg/$name.ogg" "$work/$name.wav"
}

encode mono-22050 101 2 22050 1 0.25 sine 440 vol 0.5
encode stereo-44100 102 2 44100 2 0.08 sine 440 sine 660 vol 0.5
# Every channel its own pitch, so a channel taken from the wrong place shows.
encode six-48000 103 2 48000 6 0.025 sine 300 sine 500 sine 700 sine 900 sine 1100 sine 1300 vol 0.3
for name in mono-22050 stereo-44100 six-48000; do
    sndfile-convert -float32 "$ogg/$name.ogg" "$work/$name.raw"
    mv "$work/$name.raw" "$ogg/$name.f32"
done
# Long enough for several pages, so that a cut or a damaged page falls between frames
# already decoded and frames still to come. Noise keeps the bitrate up.
encode pages-stereo-44100 104 4 44100 2 1.2 whitenoise vol 0.2 synth sine mix 880 sine mix 660 vol 0.5
ls -l "$ogg"
