// The MIDI file reader: what a render plays and when, and which files it refuses. Frame
// numbers are worked out by hand from the tempo and division, at 44100 Hz.
#include "tests/host/SmfBytes.h"
#include "tools/host/MidiFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace smf;

constexpr double kRate = 44100.0;

struct Played {
    std::int64_t frame;
    std::vector<unsigned> bytes;

    bool operator==(const Played& other) const
    {
        return frame == other.frame && bytes == other.bytes;
    }
};

void PrintTo(const Played& played, std::ostream* out)
{
    *out << "frame " << played.frame << ":";
    for (const unsigned byte : played.bytes) {
        *out << " " << std::hex << byte << std::dec;
    }
}

std::vector<Played> PlayedAt(const MidiSong& song, double rate)
{
    std::vector<Played> out;
    for (const MidiMessage& message : song.Messages()) {
        out.push_back({song.FrameAt(message.tick, rate),
                       std::vector<unsigned>(message.bytes, message.bytes + message.size)});
    }
    return out;
}

struct GoodCase {
    const char* name;
    Bytes file;
    std::vector<Played> played;
    std::int64_t endFrame;
};

// At 120 bpm and 480 ticks a quarter, a quarter is half a second: 22050 frames.
TEST(MidiFile, PlaysWhatTheFileHoldsAtTheRightFrames)
{
    const GoodCase cases[] = {
        {"format 0",
         Join({Header(0, 1, 480),
               Track({Ev(0, {0x90, 60, 100}), Ev(480, {0x80, 60, 64}), EndOfTrack()})}),
         {{0, {0x90, 60, 100}}, {22050, {0x80, 60, 64}}},
         22050},
        {"format 1, two tracks merged by time, simultaneous events in track order",
         Join({Header(1, 2, 480),
               Track({Ev(0, {0x90, 60, 100}), Ev(960, {0x80, 60, 0}), EndOfTrack()}),
               Track({Ev(0, {0x91, 48, 90}), Ev(480, {0x90, 64, 80}), Ev(960, {0x80, 64, 0}),
                      EndOfTrack()})}),
         {{0, {0x90, 60, 100}},
          {0, {0x91, 48, 90}},
          {22050, {0x90, 64, 80}},
          {44100, {0x80, 60, 0}},
          {66150, {0x80, 64, 0}}},
         66150},
        {"running status, one- and two-byte messages, velocity-0 note-on as note-off",
         Join({Header(0, 1, 480),
               Track({Ev(0, {0x90, 60, 100}), Ev(240, {62, 90}), Ev(240, {60, 0}), Ev(0, {62, 0}),
                      Ev(0, {0xC3, 5}), Ev(480, {7}), Ev(0, {0xB0, 7, 100}), Ev(0, {10, 64}),
                      EndOfTrack()})}),
         {{0, {0x90, 60, 100}},
          {11025, {0x90, 62, 90}},
          {22050, {0x80, 60, 64}},
          {22050, {0x80, 62, 64}},
          {22050, {0xC3, 5}},
          {44100, {0xC3, 7}},
          {44100, {0xB0, 7, 100}},
          {44100, {0xB0, 10, 64}}},
         44100},
        {"tempo change: 120 bpm, then 60 bpm from the third quarter, in another track",
         Join({Header(1, 2, 480), Track({Tempo(0, 500000), Tempo(960, 1000000), EndOfTrack()}),
               Track({Ev(0, {0x90, 60, 1}), Ev(480, {0x90, 61, 2}), Ev(480, {0x90, 62, 3}),
                      Ev(480, {0x90, 63, 4}), Ev(480, {0x90, 64, 5}), EndOfTrack()})}),
         {{0, {0x90, 60, 1}},
          {22050, {0x90, 61, 2}},
          {44100, {0x90, 62, 3}},
          {88200, {0x90, 63, 4}},
          {132300, {0x90, 64, 5}}},
         132300},
        {"tempo at 100 bpm, 96 ticks a quarter",
         Join({Header(0, 1, 96),
               Track({Tempo(0, 600000), Ev(96, {0x90, 60, 1}), Ev(144, {0x80, 60, 0}),
                      EndOfTrack()})}),
         {{26460, {0x90, 60, 1}}, {66150, {0x80, 60, 0}}},
         66150},
        {"SMPTE timing, 25 fps of 40 ticks: tempo events do not move anything",
         Join({Header(0, 1, 0xE728),
               Track({Tempo(0, 1000000), Ev(1500, {0x90, 60, 1}), Ev(500, {0x80, 60, 0}),
                      EndOfTrack()})}),
         {{66150, {0x90, 60, 1}}, {88200, {0x80, 60, 0}}},
         88200},
        {"sysex, escapes, text and unknown meta events and unknown chunks are passed over",
         Join({Header(0, 1, 480), Chunk("XFIH", {1, 2, 3}),
               Track({Ev(0, {0xF0, 3, 0x43, 0x10, 0xF7}), Ev(0, {0xF7, 1, 0xF8}),
                      Ev(0, {0xFF, 0x03, 4, 'B', 'a', 's', 's'}), Ev(0, {0xFF, 0x7F, 0}),
                      Ev(480, {0x90, 60, 100}), EndOfTrack()})}),
         {{22050, {0x90, 60, 100}}},
         22050},
        {"a rest before the end-of-track mark counts; bytes after it do not",
         Join({Header(0, 1, 480), Track({Ev(0, {0x90, 60, 100}), Ev(480, {0x80, 60, 0}),
                                         EndOfTrack(960), Ev(0, {0x90, 61, 100}), Ev(0, {0xF3})})}),
         {{0, {0x90, 60, 100}}, {22050, {0x80, 60, 0}}},
         66150},
        {"a longer header and a track without an end-of-track mark",
         Join({Chunk("MThd", {0, 0, 0, 1, 0x01, 0xE0, 0xAA, 0xBB}),
               Track({Ev(480, {0x90, 60, 100})})}),
         {{22050, {0x90, 60, 100}}},
         22050},
    };
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.name);
        MidiSong song;
        std::string error;
        ASSERT_TRUE(song.Parse(c.file.data(), c.file.size(), error)) << error;
        EXPECT_EQ(PlayedAt(song, kRate), c.played);
        EXPECT_EQ(song.FrameAt(song.EndTick(), kRate), c.endFrame);
    }
}

TEST(MidiFile, TempoMapGivesTransportTempoAndQuarters)
{
    const Bytes file = Join({Header(1, 2, 480),
                             Track({Tempo(0, 500000), Tempo(960, 1000000), EndOfTrack()}),
                             Track({Ev(1920, {0x90, 60, 1}), EndOfTrack()})});
    MidiSong song;
    std::string error;
    ASSERT_TRUE(song.Parse(file.data(), file.size(), error)) << error;
    EXPECT_EQ(song.Format(), 1);
    EXPECT_EQ(song.TrackCount(), 2);
    // Two quarters at 120 bpm take one second; from there a quarter takes a second.
    const struct {
        double seconds;
        double tempo;
        double quarters;
    } points[] = {{0.0, 120.0, 0.0}, {0.5, 120.0, 1.0}, {1.0, 60.0, 2.0}, {2.5, 60.0, 3.5}};
    for (const auto& p : points) {
        SCOPED_TRACE(p.seconds);
        EXPECT_DOUBLE_EQ(song.TempoAtSeconds(p.seconds), p.tempo);
        EXPECT_DOUBLE_EQ(song.QuartersAtSeconds(p.seconds), p.quarters);
    }
    // The same tick lands on proportionally later frames at a higher rate.
    EXPECT_EQ(song.FrameAt(1920, 48000.0), 3 * 48000);
}

// A format 0 file at 480 ticks a quarter holding one track of these events.
Bytes OneTrack(std::initializer_list<Bytes> events)
{
    return Join({Header(0, 1, 480), Track(events)});
}

struct BadCase {
    const char* name;
    Bytes file;
    std::string error; // expected part of the message
};

TEST(MidiFile, RefusesMalformedFilesWithAReason)
{
    const Bytes note = Ev(0, {0x90, 60, 100});
    const Bytes end = EndOfTrack();
    const BadCase cases[] = {
        {"empty", {}, "no MThd header"},
        {"a WAV file", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "no MThd header"},
        {"header cut short", Join({Bytes{'M', 'T', 'h', 'd'}, Be32(6), Bytes(3, 0)}), "malformed MThd"},
        {"header length below 6", Chunk("MThd", {0, 0, 0, 1}), "malformed MThd"},
        {"format 2", Join({Header(2, 1, 480), Track({end})}), "format 2"},
        {"format 3", Join({Header(3, 1, 480), Track({end})}), "unknown format 3"},
        {"format 0 with two tracks", Join({Header(0, 2, 480), Track({end}), Track({end})}),
         "format 0 file declares 2 tracks"},
        {"no tracks", Header(1, 0, 480), "declares 0 tracks"},
        {"zero division", Join({Header(0, 1, 0), Track({end})}), "zero ticks"},
        {"SMPTE at 23 fps", Join({Header(0, 1, 0xE928), Track({end})}), "unknown SMPTE timing"},
        {"fewer tracks than declared", Join({Header(1, 2, 480), Track({end})}),
         "declares 2 tracks but holds 1"},
        {"huge track length",
         Join({Header(0, 1, 480), Bytes{'M', 'T', 'r', 'k'}, Be32(0x7FFFFFFF), note}),
         "declares 2147483647 bytes but only 4 follow"},
        {"event cut by the track end", OneTrack({Ev(0, {0x90, 60})}), "middle of an event"},
        {"data byte first", OneTrack({Ev(0, {60, 100})}), "without a status"},
        {"running status after a meta event",
         OneTrack({note, Ev(0, {0xFF, 0x01, 0}), Ev(0, {62, 100})}),
         "without a status"},
        {"five-byte delta time", OneTrack({Bytes{0x81, 0x81, 0x81, 0x81, 0x01}, note}),
         "longer than four bytes"},
        {"sysex longer than its track", OneTrack({Ev(0, {0xF0, 0x8F, 0x7F, 1})}),
         "sysex event longer"},
        {"meta longer than its track", OneTrack({Ev(0, {0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'x'})}),
         "meta event longer"},
        {"tempo of two bytes", OneTrack({Ev(0, {0xFF, 0x51, 2, 7, 0xA1})}), "invalid tempo"},
        {"tempo of zero", OneTrack({Tempo(0, 0)}), "invalid tempo"},
        {"system common status", OneTrack({Ev(0, {0xF3, 1})}), "0xF3 has no place"},
        {"status inside a message", OneTrack({Ev(0, {0x90, 60, 0x91})}),
         "0x91 inside a 0x90 message"},
        {"longer than a day",
         Join({Header(0, 1, 1), Track({Tempo(0, 0xFFFFFF), Ev(0x0FFFFFFF, {0x90, 60, 1})})}),
         "24 hours"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        MidiSong song;
        std::string error;
        EXPECT_FALSE(song.Parse(c.file.data(), c.file.size(), error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// Every track declares its length, so any cut of a good file leaves a chunk that claims
// more than is there, wherever the cut falls.
TEST(MidiFile, EveryTruncationOfAGoodFileIsRefused)
{
    const Bytes file = Join({Header(1, 2, 480), Track({Tempo(0, 500000), EndOfTrack()}),
                             Track({Ev(0, {0xF0, 2, 1, 0xF7}), Ev(0, {0x90, 60, 100}),
                                    Ev(480, {60, 0}), EndOfTrack()})});
    MidiSong song;
    std::string error;
    ASSERT_TRUE(song.Parse(file.data(), file.size(), error)) << error;
    for (std::size_t size = 0; size < file.size(); ++size) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
        error.clear();
        EXPECT_FALSE(song.Parse(cut.data(), cut.size(), error)) << size << " bytes";
        EXPECT_FALSE(error.empty()) << size << " bytes";
    }
}

} // namespace
