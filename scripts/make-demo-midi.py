#!/usr/bin/env python3
"""Writes the demo song as a Standard MIDI File (format 1): a tempo track, then bass,
pad and lead tracks whose notes stay inside the key ranges scripts/demo.sh gives the
three sample slots, so each part sounds only its own sample.

Usage: make-demo-midi.py OUTPUT.mid [--short]

--short writes only the first two bars, with all three parts, for quick tests.
"""
import struct
import sys

TICKS = 480  # per quarter note
BAR = 4 * TICKS
EIGHTH = TICKS // 2

# Key ranges of the slots (see scripts/demo.sh); every note is checked against them.
BASS_RANGE = (24, 47)
PAD_RANGE = (48, 71)
LEAD_RANGE = (72, 108)

A1, F1, C2, G1 = 33, 29, 36, 31
CHORDS = {  # bass root, pad voicing
    "Am": (A1, (57, 60, 64)),
    "F": (F1, (53, 57, 60)),
    "C": (C2, (55, 60, 64)),
    "G": (G1, (55, 59, 62)),
}
PROGRESSION = ["Am", "F", "C", "G", "Am", "F", "C", "G", "F", "G", "Am"]

Q, H, E = TICKS, 2 * TICKS, EIGHTH
# The lead, bar by bar: (key, length); None is a rest.
MELODY = [
    [(None, BAR)],
    [(None, BAR)],
    [(79, Q), (76, Q), (79, Q), (84, Q)],
    [(83, H), (86, Q), (83, Q)],
    [(76, Q), (81, Q), (84, Q), (83, Q)],
    [(81, H), (77, Q), (81, Q)],
    [(79, Q), (84, Q), (88, Q), (86, E), (84, E)],
    [(83, H), (79, Q), (83, Q)],
    [(81, Q), (84, Q), (89, H)],
    [(91, Q), (89, E), (88, E), (86, H)],
    [(84, Q), (83, Q), (81, H)],
]
# Beats per minute from the start of a bar: a ritardando over the last two bars.
TEMPOS = {0: 100, 9: 92, 10: 80}


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def track_chunk(events):
    """events: (tick, order, bytes); order keeps note-offs before note-ons on one tick."""
    body = b""
    now = 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += var_len(tick - now) + data
        now = tick
    body += var_len(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def name_event(text):
    raw = text.encode("ascii")
    return (0, 0, b"\xff\x03" + var_len(len(raw)) + raw)


def note(events, channel, key, start, length, velocity, key_range):
    low, high = key_range
    if not low <= key <= high:
        raise SystemExit(f"note {key} outside the slot's keys {low}..{high}")
    events.append((start, 1, bytes([0x90 | channel, key, velocity])))
    # Velocity-0 note-ons, as most files end their notes.
    events.append((start + length, 0, bytes([0x90 | channel, key, 0])))


def song(bars):
    tempo = [name_event("Quellorn demo"), (0, 0, b"\xff\x58\x04\x04\x02\x18\x08")]
    for bar, bpm in TEMPOS.items():
        if bar < bars:
            micros = round(60_000_000 / bpm)
            tempo.append((bar * BAR, 0, b"\xff\x51\x03" + micros.to_bytes(3, "big")))
    # The end of the last bar, so the release tail starts after the written music.
    tempo.append((bars * BAR, 0, b"\xff\x01\x03end"))

    bass, pad, lead = [name_event("Bass")], [name_event("Pad")], [name_event("Lead")]
    for bar, chord in enumerate(PROGRESSION[:bars]):
        start = bar * BAR
        root, voicing = CHORDS[chord]
        if bar == len(PROGRESSION) - 1:
            note(bass, 0, root, start, BAR, 110, BASS_RANGE)
        else:
            for step, offset in enumerate([0, 0, 12, 0, 7, 0, 12, 7]):
                key = root + offset
                key = key - 12 if key > BASS_RANGE[1] else key
                velocity = 112 if step % 4 == 0 else 84
                note(bass, 0, key, start + step * EIGHTH, EIGHTH - 40, velocity, BASS_RANGE)
        for key in voicing:
            note(pad, 1, key, start, BAR, 72, PAD_RANGE)
        at = start
        for key, length in MELODY[bar]:
            if key is not None:
                note(lead, 2, key, at, length - 20, 100, LEAD_RANGE)
            at += length
    tracks = [tempo, bass, pad, lead]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TICKS)
    return header + b"".join(track_chunk(t) for t in tracks)


def main():
    args = sys.argv[1:]
    short = "--short" in args
    paths = [a for a in args if a != "--short"]
    if len(paths) != 1:
        raise SystemExit(__doc__)
    with open(paths[0], "wb") as out:
        out.write(song(2 if short else len(PROGRESSION)))


if __name__ == "__main__":
    main()
