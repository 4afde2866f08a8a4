#!/usr/bin/env python3
"""Compares the audio of two WAV files: their format and their sample data, byte for byte.
Other chunks (and so the header layout) may differ.

Usage: compare-wav.py A.wav B.wav

Exit status: 0 identical audio, 1 different audio, 2 a file is not a readable WAV file.
"""
import struct
import sys


def chunks(path):
    """The 'fmt ' and 'data' chunks of a RIFF WAVE file, as bytes."""
    with open(path, "rb") as f:
        raw = f.read()
    if len(raw) < 12 or raw[0:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a RIFF WAVE file")
    found = {}
    at = 12
    while at + 8 <= len(raw):
        kind = raw[at:at + 4]
        (size,) = struct.unpack("<I", raw[at + 4:at + 8])
        body = raw[at + 8:at + 8 + size]
        if len(body) != size:
            raise ValueError(f"{path}: chunk {kind!r} runs past the end of the file")
        if kind in (b"fmt ", b"data") and kind not in found:
            found[kind] = body
        at += 8 + size + (size & 1)  # chunks are padded to even sizes
    for kind in (b"fmt ", b"data"):
        if kind not in found:
            raise ValueError(f"{path}: no {kind.decode().strip()} chunk")
    return found[b"fmt "], found[b"data"]


def describe(fmt):
    tag, channels, rate, _, block, bits = struct.unpack("<HHIIHH", fmt[:16])
    kind = "float" if tag == 3 else "pcm" if tag == 1 else f"format {tag:#x}"
    return channels, block, f"{channels} channels, {rate} Hz, {bits}-bit {kind}"


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        (fmt_a, data_a), (fmt_b, data_b) = chunks(sys.argv[1]), chunks(sys.argv[2])
    except (OSError, ValueError) as error:
        print(f"compare-wav: {error}", file=sys.stderr)
        return 2
    channels, block, text = describe(fmt_a)
    if fmt_a != fmt_b:
        print(f"formats differ: {text} against {describe(fmt_b)[2]}")
        return 1
    frames_a, frames_b = len(data_a) // block, len(data_b) // block
    if data_a == data_b:
        print(f"identical audio: {frames_a} frames, {text}")
        return 0
    common = min(len(data_a), len(data_b))
    first = next((i for i in range(common) if data_a[i] != data_b[i]), None)
    if first is None:
        print(f"lengths differ: {frames_a} against {frames_b} frames, {text}")
    else:
        frame, channel = first // block, (first % block) // (block // channels)
        differing = sum(1 for i in range(0, common, block) if data_a[i:i + block] != data_b[i:i + block])
        print(f"audio differs from frame {frame} (channel {channel}) on; "
              f"{differing} of {min(frames_a, frames_b)} frames differ, {text}")
    return 1


if __name__ == "__main__":
    sys.exit(main())
