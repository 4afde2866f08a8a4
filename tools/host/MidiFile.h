// A Standard MIDI File (format 0 or 1) read into what a render needs: the channel messages
// of all tracks merged in time order, and the tempo map that turns ticks into seconds,
// frames and quarter notes. Files come from anywhere, so every length in them is checked
// against the bytes that are really there before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct MidiMessage {
    std::uint64_t tick;
    unsigned char bytes[3];
    unsigned char size; // 2 or 3
};

class MidiSong {
public:
    // Returns false and says why in error when the data is not a file this can play.
    bool Parse(const unsigned char* data, std::size_t size, std::string& error);
    bool Load(const std::string& path, std::string& error);

    int Format() const { return format; }
    int TrackCount() const { return trackCount; }
    const std::vector<MidiMessage>& Messages() const { return messages; }
    // The latest event of any kind, so a closing rest before the end-of-track mark counts.
    std::uint64_t EndTick() const { return endTick; }

    double SecondsAt(std::uint64_t tick) const;
    // The frame a tick falls on at a sample rate, to the nearest frame.
    std::int64_t FrameAt(std::uint64_t tick, double sampleRate) const;
    double QuartersAtSeconds(double seconds) const;
    double TempoAtSeconds(double seconds) const; // beats per minute

private:
    // The tempo from `tick` on. `scaled` is the time at `tick` in units of 1/divisor
    // seconds: a whole number for tick-based files, so tick times carry no rounding error.
    struct TempoSegment {
        std::uint64_t tick;
        double scaled;
        double seconds;
        double quarters;
        std::uint32_t microsPerQuarter;
    };

    bool ParseTrack(const unsigned char* data, std::size_t size, std::size_t fileOffset,
                    std::vector<std::pair<std::uint64_t, std::uint32_t>>& tempos,
                    std::string& error);
    void BuildTempoMap(std::vector<std::pair<std::uint64_t, std::uint32_t>>& tempos);
    const TempoSegment& SegmentAtTick(std::uint64_t tick) const;
    const TempoSegment& SegmentAtSeconds(double seconds) const;
    double ScaledAt(std::uint64_t tick) const;

    int format = 0;
    int trackCount = 0;
    // Ticks per quarter note, or for SMPTE timing the negative frame rate and ticks per frame.
    int ticksPerQuarter = 0;
    double ticksPerSecond = 0.0; // SMPTE timing only
    double divisor = 1.0;
    std::vector<MidiMessage> messages;
    std::vector<TempoSegment> tempoMap;
    std::uint64_t endTick = 0;
};
