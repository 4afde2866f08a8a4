#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into fuzz/corpus/fuzz_<target>/.

The seeds are checked in; run this again only to change them. They are built here, not
taken from fuzzer runs, so each one says what it is for. The host-sequence and state
seeds follow the input formats that fuzz/FuzzHostSequence.cpp and fuzz/FuzzEntries.cpp
decode, and name the files of the sample folder (fuzz/FuzzSupport.cpp) by their names
relative to it.
"""
import math
import pathlib
import shutil
import struct

ROOT = pathlib.Path(__file__).resolve().parent
CORPUS = ROOT / "corpus"
WAV_FIXTURES = ROOT.parent / "tests" / "data" / "wav"
OGG_FIXTURES = ROOT.parent / "tests" / "data" / "ogg"
FLAC_FIXTURES = ROOT.parent / "tests" / "data" / "flac"

# The sample folder's names, in the order of SampleFolder::Names().
NAMES = [
    "pcm16-stereo.wav", "pcm8-mono.wav", "pcm24-mono.wav", "float32-stereo.wav",
    "float64-quad.wav", "short-data.wav", "truncated.wav", "extensible.wav",
    "not-audio.wav", "empty.wav", "folder.wav", "missing.wav", "folder.wav/inside.wav",
    "UPPER.WAV", "x" * 300 + ".wav", "", "0", "tone.ogg", "mono.ogg", "cut.ogg",
    "instrument.sfz", "nested.sfz",
]


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


# ---- WAV ---------------------------------------------------------------------------------

def chunk(cid, body, claimed=None):
    size = len(body) if claimed is None else claimed
    return cid + struct.pack("<I", size) + body


def fmt(tag, channels, rate, bits, extra=b""):
    align = channels * (bits // 8)
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag, channels, rate, rate * align, align,
                                      bits) + extra)


def riff(chunks):
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def tone(frames, channels, bits, is_float=False):
    out = bytearray()
    for f in range(frames):
        for c in range(channels):
            v = 0.6 * math.sin(0.05 * f * (c + 1)) + 0.3 * math.sin(0.31 * f)
            if is_float:
                out += struct.pack("<f" if bits == 32 else "<d", v)
            elif bits == 8:
                out.append(round(v * 127) + 128)
            else:
                out += struct.pack("<i", round(v * ((1 << (bits - 1)) - 1)))[: bits // 8]
    return bytes(out)


def wav_seeds():
    for path in sorted(WAV_FIXTURES.glob("*.wav")):
        write("fuzz_wav", path.name, path.read_bytes())
    seeds = {
        "pcm8-mono-tiny.wav": riff(fmt(1, 1, 8000, 8) + chunk(b"data", tone(16, 1, 8))),
        "pcm24-mono.wav": riff(fmt(1, 1, 48000, 24) + chunk(b"data", tone(40, 1, 24))),
        "float64-mono.wav": riff(fmt(3, 1, 22050, 64) + chunk(b"data", tone(30, 1, 64, True))),
        "float32-three.wav": riff(fmt(3, 3, 44100, 32) + chunk(b"data", tone(20, 3, 32, True))),
        # A list chunk before the format, an odd-sized one between format and data.
        "chunks-around.wav": riff(chunk(b"LIST", b"INFOISFT\x04\x00\x00\x00abc\x00")
                                  + fmt(1, 2, 44100, 16) + chunk(b"junk", b"odd")
                                  + chunk(b"data", tone(25, 2, 16))),
        # A format chunk with the 2-byte extension size of later headers.
        "fmt18.wav": riff(fmt(1, 1, 11025, 16, b"\x00\x00") + chunk(b"data", tone(20, 1, 16))),
        # The data chunk claims more than the file holds.
        "data-claims-more.wav": riff(fmt(1, 2, 44100, 16)
                                     + chunk(b"data", tone(10, 2, 16), claimed=100000)),
        "data-before-fmt.wav": riff(chunk(b"data", tone(10, 1, 16)) + fmt(1, 1, 44100, 16)),
        "two-formats.wav": riff(fmt(1, 1, 44100, 16) + fmt(3, 2, 48000, 32)
                                + chunk(b"data", tone(12, 2, 32, True))),
        "many-channels.wav": riff(fmt(1, 64, 8000, 8) + chunk(b"data", tone(2, 64, 8))),
        "header-only.wav": riff(fmt(1, 2, 44100, 16)),
    }
    for name, data in seeds.items():
        write("fuzz_wav", name, data)


# ---- state chunks ---------------------------------------------------------------------------

DEFAULT_SLOT = [1, 36, 127, 41, 1, 0.8, 1.5, 0, 0, 0, 0, 1]


def text(s):
    b = s.encode()
    return struct.pack("<i", len(b)) + b


def state_chunk(slots, texts, version=10000):
    body = struct.pack("<i", version)
    for values in slots:
        body += b"".join(struct.pack("<d", v) for v in values)
    return body + b"".join(text(t) for t in texts)


def state_seeds():
    three = [DEFAULT_SLOT] * 3
    split = [[1, 12, 59, 48, 1, 0.0, 0.2, -50, 1, -3, 0, 1],
             [1, 60, 83, 72, 1, 0.01, 0.5, 50, 0, 0, 1, 0],
             [1, 84, 127, 96, 2, 0.3, 3.0, 0, 1, 6, 0, 1]]
    seeds = {
        "three-files": (0, state_chunk(three, ["pcm16-stereo.wav", "pcm8-mono.wav",
                                               "float32-stereo.wav"])),
        "bank-split": (1, state_chunk(split, ["pcm24-mono.wav", "float64-quad.wav",
                                              "UPPER.WAV"])),
        "failing-files": (0, state_chunk(three, ["truncated.wav", "folder.wav",
                                                 "missing.wav"])),
        "odd-files": (1, state_chunk(split, ["short-data.wav", "extensible.wav",
                                             "not-audio.wav"])),
        "folder-path": (0, state_chunk(three, ["folder.wav/inside.wav", "0", "empty.wav"])),
        "too-long-path": (0, state_chunk(three, ["x" * 300 + ".wav", "pcm16-stereo.wav", "0"])),
        "out-of-range-values": (0, state_chunk(
            [[2, -5, 500, 1e9, 0, -1, 99, 300, 7, 1e300, -1, 0.5]] * 3,
            ["pcm16-stereo.wav", "pcm16-stereo.wav", "pcm16-stereo.wav"])),
        "ogg-files": (0, state_chunk(split, ["tone.ogg", "cut.ogg", "mono.ogg"])),
        "sfz-files": (1, state_chunk(three, ["pcm8-mono.wav", "instrument.sfz", "nested.sfz"])),
        "params-only": (0, state_chunk(three, [])),
        "version-only": (1, struct.pack("<i", 10000)),
        "lying-text-length": (0, state_chunk(three, ["pcm8-mono.wav"])
                              + struct.pack("<i", 0x7FFFFFF0) + b"pcm16-stereo.wav"),
    }
    for name, (bank, data) in seeds.items():
        write("fuzz_state", name, bytes([bank]) + data)


# ---- host sequences -------------------------------------------------------------------------

OP = {name: i for i, name in enumerate([
    "dispatch", "dispatch2", "set_param", "get_param", "events", "program", "load_slot",
    "process", "process2", "clock", "time_info", "set_chunk", "get_chunk", "rate_block",
    "arrangement", "vendor"])}


def small(v):
    """Index()/Value() for -16 <= v <= 237; any other 32-bit index for Index()."""
    if -16 <= v <= 237:
        return bytes([v + 16])
    return b"\xff" + struct.pack("<i", v)


def load(slot, name):
    return bytes([OP["load_slot"]]) + small(slot) + bytes([NAMES.index(name)])


def note(key, velocity, offset=0):
    # kind 0 (MIDI), a note, status 0x10 -> 0x90 (on) or 0x00 -> 0x80 (off)
    status = 0x10 if velocity else 0x00
    return bytes([0, 1, status, key, velocity, 0, offset // 2])


def events(*items):
    return bytes([OP["events"], len(items)]) + b"".join(items)


def process(frames, mode=0, held=0):
    return bytes([OP["process"], mode]) + struct.pack("<H", frames) + bytes([held])


def set_param(index, float_code):
    return bytes([OP["set_param"]]) + small(index) + bytes([float_code])


def get_param(index):
    return bytes([OP["get_param"]]) + small(index)


def dispatch(opcode, index=0, value=0, float_code=0, ptr_kind=0, text=b""):
    out = bytes([OP["dispatch"], opcode]) + small(index) + small(value) + bytes([float_code, ptr_kind])
    if ptr_kind == 2:
        out += bytes([len(text)]) + text
    return out


def host_seeds():
    play = (load(0, "pcm16-stereo.wav") + load(1, "float32-stereo.wav") + load(2, "pcm8-mono.wav")
            + events(note(60, 100), note(72, 80, 64), note(40, 127, 200))
            + process(512) + process(300, mode=1, held=3) + process(512, mode=2)
            + events(note(60, 0), note(72, 0)) + process(512) + process(512, mode=2))
    seeds = {
        "play-three-slots": bytes([0]) + play,
        "params-and-texts": bytes([0]) + load(0, "pcm24-mono.wav")
            + set_param(10, 1) + set_param(5, 5) + set_param(7, 6) + set_param(300, 9)
            + get_param(10) + get_param(5) + get_param(-3)
            + dispatch(7, index=3, ptr_kind=1) + dispatch(27, index=1, ptr_kind=2, text=b"64")
            + dispatch(51, ptr_kind=2, text=b"receiveVstMidiEvent")
            + events(note(64, 90)) + process(256),
        "state-round-trip": bytes([2]) + load(0, "float64-quad.wav") + load(1, "short-data.wav")
            + bytes([OP["get_chunk"]]) + small(0) + bytes([1])
            + bytes([OP["set_chunk"], 1, 1, 0, 12]) + bytes([1] * 12 + [2, 0, 3])
            + bytes([OP["set_chunk"], 0, 0]) + struct.pack("<H", 6) + b"\x10\x27\x00\x00\x00\x00"
            + events(note(50, 100)) + process(128) + bytes([OP["get_chunk"]]) + small(1) + bytes([3]),
        "programs": bytes([0]) + load(2, "pcm16-stereo.wav")
            + bytes([OP["program"]]) + small(3) + events(note(70, 100)) + process(400)
            + dispatch(4, ptr_kind=2, text=b"mine") + bytes([OP["program"]]) + small(0)
            + dispatch(5, ptr_kind=1) + dispatch(29, index=4, ptr_kind=1) + process(64),
        "no-open-then-open": bytes([1]) + process(64) + dispatch(0) + dispatch(10, float_code=13)
            + dispatch(11, value=200) + load(0, "pcm16-stereo.wav")
            + events(note(48, 100)) + process(200) + process(200, mode=2),
        "rates-and-blocks": bytes([0]) + load(0, "UPPER.WAV") + events(note(60, 100))
            + bytes([OP["rate_block"], 1, 6]) + process(100)
            + bytes([OP["rate_block"], 0, 3]) + process(64, mode=2)
            + bytes([OP["rate_block"], 1, 7]) + process(64)
            + bytes([OP["rate_block"], 0, 9]) + process(64),
        "transport-and-clock": bytes([0]) + load(0, "pcm16-stereo.wav") + events(note(60, 100))
            + process(128) + bytes([OP["clock"], 6]) + process(128)
            + events(note(61, 100)) + bytes([OP["time_info"], 1, 0, 0]) + process(128)
            + bytes([OP["time_info"], 0, 0xFF, 0x15, 0, 0, 0, 0, 200, 20, 20]) + process(128),
        "arrangements": bytes([0]) + load(0, "pcm8-mono.wav") + events(note(36, 100))
            + bytes([OP["arrangement"], 3]) + small(1) + small(1) + small(1) + small(1) + process(64)
            + bytes([OP["arrangement"], 2]) + small(0) + small(0) + small(0) + small(0) + process(64)
            + bytes([OP["dispatch"], 69, 3]) + bytes([OP["dispatch"], 13, 1])
            + bytes([OP["dispatch"], 66, 1]) + small(0) + small(60),
        "vendor-calls": bytes([6]) + load(0, "pcm16-stereo.wav")
            + bytes([OP["vendor"], 0]) + small(2) + bytes([1, 2])
            + bytes([OP["vendor"], 1]) + small(0) + bytes([1])
            + bytes([OP["vendor"], 2]) + small(5) + bytes([0])
            + bytes([OP["vendor"], 3]) + small(1) + bytes([0, NAMES.index("float32-stereo.wav")])
            + bytes([OP["vendor"], 4]) + small(1) + bytes([0xFE])
            + bytes([OP["vendor"], 5]) + small(3)
            + bytes([OP["vendor"], 6]) + small(0) + bytes([1, 2])
            + events(note(60, 100)) + process(256),
        "ogg-and-sfz": bytes([0]) + load(0, "tone.ogg") + load(1, "mono.ogg") + load(2, "cut.ogg")
            + set_param(22, 1) + events(note(60, 100), note(84, 100)) + process(512)
            + load(1, "instrument.sfz") + process(256) + load(0, "nested.sfz")
            + events(note(61, 100)) + process(512, mode=2),
        "sysex-and-others": bytes([0]) + load(1, "pcm16-stereo.wav")
            + bytes([OP["events"], 3, 2, 4]) + b"\xF0\x7D\x01\xF7" + bytes([0])
            + bytes([3, 9, 0]) + bytes(16) + note(80, 100) + process(512),
    }
    for name, data in seeds.items():
        write("fuzz_host_sequence", name, data)


# ---- Ogg Vorbis ------------------------------------------------------------------------------

def ogg_pages(data):
    """The byte offsets where the stream's pages start."""
    starts, pos = [], 0
    while pos + 27 <= len(data) and data[pos:pos + 4] == b"OggS":
        starts.append(pos)
        segments = data[pos + 26]
        pos += 27 + segments + sum(data[pos + 27:pos + 27 + segments])
    return starts


def ogg_seeds():
    fixtures = {path.name: path.read_bytes() for path in sorted(OGG_FIXTURES.glob("*.ogg"))}
    for name, data in fixtures.items():
        write("fuzz_ogg", name, data)
    mono, stereo = fixtures["mono-22050.ogg"], fixtures["stereo-44100.ogg"]
    pages = fixtures["pages-stereo-44100.ogg"]
    starts = ogg_pages(pages)
    seeds = {
        # Two links with different channel counts, in both orders.
        "chained-mono-stereo.ogg": mono + stereo,
        "chained-stereo-mono.ogg": stereo + mono,
        # The headers and the first audio page only, and a cut in the middle of a page.
        "first-audio-page.ogg": pages[:starts[3]] if len(starts) > 3 else pages[:4000],
        "cut-in-page.ogg": pages[:len(pages) * 2 // 3 + 17],
        "headers-only.ogg": pages[:starts[2]] if len(starts) > 2 else pages[:3000],
        # Bytes before the first page, which a reader must skip to find it.
        "junk-first.ogg": b"RIFF\x00\x00\x00\x00not a page at all" + mono,
    }
    for name, data in seeds.items():
        write("fuzz_ogg", name, data)


# ---- FLAC -----------------------------------------------------------------------------------

def flac_seeds():
    fixtures = {path.name: path.read_bytes() for path in sorted(FLAC_FIXTURES.glob("*.flac"))}
    blocks = fixtures["pcm24-stereo-blocks.flac"]
    seeds = {
        "pcm8-mono.flac": fixtures["pcm8-mono.flac"],
        "pcm24-six.flac": fixtures["pcm24-six.flac"],
        "pcm32-mono.flac": fixtures["pcm32-mono.flac"],
        "blocks.flac": blocks,
        "cut-in-block.flac": blocks[:len(blocks) * 2 // 3 + 5],
        # The description's frame count cleared: the reader counts the frames itself.
        "no-length.flac": blocks[:21] + bytes([blocks[21] & 0xF0]) + bytes(4) + blocks[26:],
        "description-only.flac": blocks[:4] + bytes([blocks[4] | 0x80]) + blocks[5:42],
    }
    for name, data in seeds.items():
        write("fuzz_flac", name, data)


# ---- SFZ ------------------------------------------------------------------------------------

def sfz_seeds():
    seeds = {
        "three-regions.sfz": (ROOT.parent / "examples" / "demo.sfz").read_text()
            .replace("bass.wav", "pcm16-stereo.wav").replace("pad.wav", "tone.ogg")
            .replace("lead.wav", "pcm8-mono.wav"),
        "global-and-notes.sfz": "<global>\nampeg_release=0.5\nvolume=-3\n"
            "<region> sample=pcm24-mono.wav\n<region>\nsample=float32-stereo.wav\nlokey=c#2\n"
            "hikey=g9\npitch_keycenter=60\npitch_keytrack=1200\npan=-100\n"
            "<region>\nsample=mono.ogg\nlokey=12\nhikey=127\namp\n",
        "crlf-and-nul.sfz": "<region>\r\nsample=pcm16-stereo.wav\r\nlokey=a0\x00junk\r\n"
            "<region>\r\nsample=UPPER.WAV   \t\r\nvolume=99999999999\r\n",
        "refused-samples.sfz": "<region>\nsample=missing.wav\n<region>\nsample=nested.sfz\n"
            "<region>\nsample=folder.wav\n<region>\nsample=truncated.wav\n"
            "<region>\nsample=cut.ogg\n",
        "default-path.sfz": "<control>\ndefault_path=folder.wav\\\n<region>\nsample=inside.wav\n"
            "<region>\nsample=../pcm8-mono.wav\n<region>\nsample=missing.wav\n",
        "too-long.sfz": "<region>\nsample=" + "x" * 1200 + ".wav\n<region>\nsample=pcm16-stereo.wav\n"
            "ampeg_attack=" + "9" * 50 + "\nampeg_release=1e-50\n",
        "regions-without-sample.sfz": "<region>\nlokey=c4\n<region>\nhikey=c5\n"
            "<region>\nsample=short-data.wav\nloop_mode=loop_continuous\ndirection=rev\n",
        "values.sfz": "<region>\nsample=float64-quad.wav\nampeg_attack=-5\nampeg_release=nan\n"
            "pan=+-3\nvolume= -20\nlokey=b#9\nhikey=-1\npitch_keycenter=x\n"
            "pitch_keytrack=-2147483649\nloop_mode=one_shot\npan_alternate=YES\n",
        "library-style.sfz": "#define $LO 40\n#define $S pcm16-stereo\n<control> default_path=\n"
            "<global> volume=-3 /* a comment\nover lines */ ampeg_release = 0.5 // end\n"
            "<master> pan=10\n<group> lokey=$LO hikey=eb5 transpose=12 tune=-50\n"
            "  <region> sample=$S.wav key=Bb3 pitch_keycenter=sample loop_mode=one_shot\n"
            "\t<region>sample=tone.ogg hikey=-1 loopmode=loop_continuous\n"
            "<region> sample=pcm8-mono.wav lokey=-1 amp_veltrack=100 pitch=20\n",
        "includes.sfz": "#include \"instrument.sfz\"\n#include \"input.sfz\"\n"
            "#include \"nested.sfz\"\n#include \"missing.sfz\"\n#include\n"
            "<region> sample=pcm16-stereo.wav\n",
        "one-region.sfz": "<region>\nsample=pcm16-stereo.wav\n",
        "empty.sfz": "",
    }
    for name, text in seeds.items():
        write("fuzz_sfz", name, text.encode("latin-1"))


def main():
    for target in ("fuzz_wav", "fuzz_state", "fuzz_host_sequence", "fuzz_ogg", "fuzz_flac",
                   "fuzz_sfz"):
        shutil.rmtree(CORPUS / target, ignore_errors=True)
    wav_seeds()
    state_seeds()
    host_seeds()
    ogg_seeds()
    flac_seeds()
    sfz_seeds()


if __name__ == "__main__":
    main()
