#include "tools/host/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000; // 120 bpm until a file says otherwise
// Far more than any song: what is beyond it is a corrupt file, and refusing it keeps every
// time computation well inside double precision and every frame count inside 64 bits.
constexpr double kMaxSongSeconds = 24.0 * 60.0 * 60.0;
constexpr std::size_t kMaxFileBytes = 64u * 1024u * 1024u;

std::string At(std::size_t offset)
{
    return " at byte " + std::to_string(offset);
}

// Reads big-endian numbers and variable-length quantities from a byte range, refusing to
// step outside it.
class Reader {
public:
    Reader(const unsigned char* bytes, std::size_t length, std::size_t fileOffset)
        : data(bytes), size(length), base(fileOffset)
    {
    }

    bool AtEnd() const { return position >= size; }
    std::size_t Remaining() const { return size - position; }
    std::size_t Offset() const { return base + position; }

    bool Byte(unsigned& value)
    {
        if (position >= size) {
            return false;
        }
        value = data[position++];
        return true;
    }

    bool Number(std::size_t bytes, std::uint32_t& value)
    {
        if (Remaining() < bytes) {
            return false;
        }
        value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            value = (value << 8) | data[position++];
        }
        return true;
    }

    // At most four bytes, as the file format allows; a fifth continuation is corruption.
    bool VariableLength(std::uint32_t& value, bool& tooLong)
    {
        value = 0;
        tooLong = false;
        for (int i = 0; i < 4; ++i) {
            unsigned byte = 0;
            if (!Byte(byte)) {
                return false;
            }
            value = (value << 7) | (byte & 0x7Fu);
            if ((byte & 0x80u) == 0) {
                return true;
            }
        }
        tooLong = true;
        return false;
    }

    bool Skip(std::size_t bytes)
    {
        if (Remaining() < bytes) {
            return false;
        }
        position += bytes;
        return true;
    }

    const unsigned char* Here() const { return data + position; }

private:
    const unsigned char* data;
    std::size_t size;
    std::size_t base;
    std::size_t position = 0;
};

std::string Hex(unsigned byte)
{
    char text[8];
    std::snprintf(text, sizeof(text), "0x%02X", byte);
    return text;
}

} // namespace

bool MidiSong::Load(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<unsigned char> bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof(chunk)) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
        if (bytes.size() > kMaxFileBytes) {
            error = path + ": larger than " + std::to_string(kMaxFileBytes >> 20) +
                    " MB, too large for a MIDI file";
            return false;
        }
    }
    if (!Parse(bytes.data(), bytes.size(), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool MidiSong::Parse(const unsigned char* data, std::size_t size, std::string& error)
{
    *this = MidiSong();
    Reader file(data, size, 0);
    std::uint32_t id = 0;
    std::uint32_t headerLength = 0;
    if (!file.Number(4, id) || id != 0x4D546864) { // "MThd"
        error = "not a Standard MIDI File (no MThd header)";
        return false;
    }
    std::uint32_t formatField = 0;
    std::uint32_t tracksField = 0;
    std::uint32_t divisionField = 0;
    if (!file.Number(4, headerLength) || headerLength < 6 || headerLength > file.Remaining() ||
        !file.Number(2, formatField) || !file.Number(2, tracksField) ||
        !file.Number(2, divisionField)) {
        error = "truncated or malformed MThd header";
        return false;
    }
    file.Skip(headerLength - 6); // later revisions may append fields; the length covers them

    if (formatField > 1) {
        error = formatField == 2 ? "format 2 files (independent sequences) are not supported"
                                 : "unknown format " + std::to_string(formatField);
        return false;
    }
    if (tracksField == 0 || (formatField == 0 && tracksField != 1)) {
        error = "format " + std::to_string(formatField) + " file declares " +
                std::to_string(tracksField) + " tracks";
        return false;
    }
    format = static_cast<int>(formatField);
    trackCount = static_cast<int>(tracksField);

    if ((divisionField & 0x8000u) == 0) {
        if (divisionField == 0) {
            error = "zero ticks per quarter note";
            return false;
        }
        ticksPerQuarter = static_cast<int>(divisionField);
        divisor = 1e6 * ticksPerQuarter;
    } else {
        const int frameRate = 256 - static_cast<int>(divisionField >> 8);
        const auto ticksPerFrame = static_cast<int>(divisionField & 0xFFu);
        if ((frameRate != 24 && frameRate != 25 && frameRate != 29 && frameRate != 30) ||
            ticksPerFrame == 0) {
            error = "unknown SMPTE timing " + std::to_string(frameRate) + " fps, " +
                    std::to_string(ticksPerFrame) + " ticks per frame";
            return false;
        }
        // "29" stands for NTSC drop-frame, 30000/1001 frames a second.
        const double fps = frameRate == 29 ? 30000.0 / 1001.0 : frameRate;
        ticksPerSecond = fps * ticksPerFrame;
        divisor = ticksPerSecond;
    }

    std::vector<std::pair<std::uint64_t, std::uint32_t>> tempos;
    int tracksFound = 0;
    while (tracksFound < trackCount) {
        const std::size_t chunkOffset = file.Offset();
        std::uint32_t chunkId = 0;
        std::uint32_t chunkLength = 0;
        if (!file.Number(4, chunkId) || !file.Number(4, chunkLength)) {
            error = "file declares " + std::to_string(trackCount) + " tracks but holds " +
                    std::to_string(tracksFound);
            return false;
        }
        if (chunkLength > file.Remaining()) {
            error = "chunk" + At(chunkOffset) + " declares " + std::to_string(chunkLength) +
                    " bytes but only " + std::to_string(file.Remaining()) + " follow";
            return false;
        }
        const unsigned char* body = file.Here();
        file.Skip(chunkLength);
        if (chunkId != 0x4D54726B) { // not "MTrk": chunks of unknown kinds are to be skipped
            continue;
        }
        if (!ParseTrack(body, chunkLength, chunkOffset + 8, tempos, error)) {
            return false;
        }
        ++tracksFound;
    }

    // Tracks were appended one after another, so a stable sort keeps simultaneous events
    // in track order and, within a track, in file order (a note-off before a re-strike).
    std::stable_sort(messages.begin(), messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
    BuildTempoMap(tempos);
    if (!(SecondsAt(endTick) <= kMaxSongSeconds)) {
        error = "song lasts longer than 24 hours";
        return false;
    }
    return true;
}

bool MidiSong::ParseTrack(const unsigned char* data, std::size_t size, std::size_t fileOffset,
                          std::vector<std::pair<std::uint64_t, std::uint32_t>>& tempos,
                          std::string& error)
{
    Reader track(data, size, fileOffset);
    std::uint64_t tick = 0;
    unsigned runningStatus = 0;
    const std::string truncated = "track ends in the middle of an event";

    while (!track.AtEnd()) {
        const std::size_t eventOffset = track.Offset();
        std::uint32_t delta = 0;
        bool tooLong = false;
        if (!track.VariableLength(delta, tooLong)) {
            error = (tooLong ? std::string("delta time longer than four bytes") : truncated) +
                    At(eventOffset);
            return false;
        }
        tick += delta;

        unsigned first = 0;
        if (!track.Byte(first)) {
            error = truncated + At(eventOffset);
            return false;
        }
        // Without a status byte the event repeats the previous channel message's status,
        // and the byte just read is already its first data byte.
        const bool running = first < 0x80;
        if (running && runningStatus == 0) {
            error = "data byte " + Hex(first) + " without a status" + At(track.Offset() - 1);
            return false;
        }
        const unsigned status = running ? runningStatus : first;

        if (status < 0xF0) {
            runningStatus = status;
            const std::size_t count = (status & 0xE0u) == 0xC0u ? 1 : 2; // Cx, Dx carry one byte
            MidiMessage message{tick, {static_cast<unsigned char>(status), 0, 0},
                                static_cast<unsigned char>(count + 1)};
            for (std::size_t i = 0; i < count; ++i) {
                unsigned value = first;
                if ((i > 0 || !running) && !track.Byte(value)) {
                    error = truncated + At(eventOffset);
                    return false;
                }
                if (value >= 0x80) {
                    error = "status byte " + Hex(value) + " inside a " + Hex(status) +
                            " message" + At(track.Offset() - 1);
                    return false;
                }
                message.bytes[i + 1] = static_cast<unsigned char>(value);
            }
            // Files write note-offs as velocity-0 note-ons to make use of running status; a
            // plug-in gets a real note-off, with the neutral release velocity.
            if ((status & 0xF0u) == 0x90u && message.bytes[2] == 0) {
                message.bytes[0] = static_cast<unsigned char>(0x80u | (status & 0x0Fu));
                message.bytes[2] = 64;
            }
            messages.push_back(message);
            endTick = std::max(endTick, tick);
            continue;
        }

        // Sysex and meta events cancel running status.
        runningStatus = 0;
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (!track.VariableLength(length, tooLong) || !track.Skip(length)) {
                error = "sysex event longer than its track" + At(eventOffset);
                return false;
            }
            endTick = std::max(endTick, tick);
            continue;
        }
        if (status != 0xFF) {
            error = "status byte " + Hex(status) + " has no place in a MIDI file" + At(eventOffset);
            return false;
        }
        unsigned type = 0;
        std::uint32_t length = 0;
        if (!track.Byte(type) || !track.VariableLength(length, tooLong) ||
            length > track.Remaining()) {
            error = "meta event longer than its track" + At(eventOffset);
            return false;
        }
        const unsigned char* body = track.Here();
        track.Skip(length);
        endTick = std::max(endTick, tick);
        if (type == 0x2F) {
            break; // end of track: anything after it is not part of the song
        }
        if (type == 0x51) {
            const std::uint32_t micros =
                length == 3
                    ? (std::uint32_t{body[0]} << 16) | (std::uint32_t{body[1]} << 8) | body[2]
                    : 0;
            if (micros == 0) {
                error = "invalid tempo event" + At(eventOffset);
                return false;
            }
            tempos.emplace_back(tick, micros);
        }
    }
    return true;
}

void MidiSong::BuildTempoMap(std::vector<std::pair<std::uint64_t, std::uint32_t>>& tempos)
{
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    tempoMap.assign(1, TempoSegment{0, 0.0, 0.0, 0.0, kDefaultMicrosPerQuarter});
    for (const auto& [tick, micros] : tempos) {
        const TempoSegment& last = tempoMap.back();
        if (tick == last.tick) {
            tempoMap.back().microsPerQuarter = micros; // the later of two simultaneous tempos
            continue;
        }
        TempoSegment next{tick, ScaledAt(tick), 0.0, 0.0, micros};
        next.seconds = next.scaled / divisor;
        next.quarters = ticksPerQuarter > 0
                            ? static_cast<double>(tick) / ticksPerQuarter
                            : last.quarters + (next.seconds - last.seconds) * 1e6 /
                                                  last.microsPerQuarter;
        tempoMap.push_back(next);
    }
}

const MidiSong::TempoSegment& MidiSong::SegmentAtTick(std::uint64_t tick) const
{
    const auto after = std::upper_bound(
        tempoMap.begin() + 1, tempoMap.end(), tick,
        [](std::uint64_t value, const TempoSegment& segment) { return value < segment.tick; });
    return *std::prev(after);
}

const MidiSong::TempoSegment& MidiSong::SegmentAtSeconds(double seconds) const
{
    const auto after = std::upper_bound(
        tempoMap.begin() + 1, tempoMap.end(), seconds,
        [](double value, const TempoSegment& segment) { return value < segment.seconds; });
    return *std::prev(after);
}

double MidiSong::ScaledAt(std::uint64_t tick) const
{
    if (ticksPerQuarter == 0) {
        return static_cast<double>(tick); // SMPTE timing: ticks are fixed fractions of a second
    }
    const TempoSegment& segment = SegmentAtTick(tick);
    return segment.scaled + static_cast<double>(tick - segment.tick) * segment.microsPerQuarter;
}

double MidiSong::SecondsAt(std::uint64_t tick) const
{
    return tempoMap.empty() ? 0.0 : ScaledAt(tick) / divisor;
}

std::int64_t MidiSong::FrameAt(std::uint64_t tick, double sampleRate) const
{
    if (tempoMap.empty()) {
        return 0;
    }
    return std::llround(ScaledAt(tick) * sampleRate / divisor);
}

double MidiSong::QuartersAtSeconds(double seconds) const
{
    if (tempoMap.empty()) {
        return seconds * 2.0;
    }
    const TempoSegment& segment = SegmentAtSeconds(seconds);
    return segment.quarters + (seconds - segment.seconds) * 1e6 / segment.microsPerQuarter;
}

double MidiSong::TempoAtSeconds(double seconds) const
{
    if (tempoMap.empty()) {
        return 60e6 / kDefaultMicrosPerQuarter;
    }
    return 60e6 / SegmentAtSeconds(seconds).microsPerQuarter;
}
