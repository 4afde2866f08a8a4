// Standard MIDI File bytes put together by hand, so a test shows exactly which events it
// feeds in, including the malformed ones no MIDI library would write.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace smf {

using Bytes = std::vector<unsigned char>;

inline Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

inline Bytes VarLen(std::uint32_t value)
{
    Bytes out{static_cast<unsigned char>(value & 0x7Fu)};
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), static_cast<unsigned char>((value & 0x7Fu) | 0x80u));
    }
    return out;
}

inline Bytes Be32(std::uint32_t value)
{
    return {static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
            static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
}

// A delta time followed by raw bytes.
inline Bytes Ev(std::uint32_t delta, std::initializer_list<unsigned> bytes)
{
    Bytes out = VarLen(delta);
    for (const unsigned byte : bytes) {
        out.push_back(static_cast<unsigned char>(byte));
    }
    return out;
}

inline Bytes Tempo(std::uint32_t delta, std::uint32_t microsPerQuarter)
{
    return Ev(delta, {0xFF, 0x51, 0x03, (microsPerQuarter >> 16) & 0xFFu,
                      (microsPerQuarter >> 8) & 0xFFu, microsPerQuarter & 0xFFu});
}

inline Bytes EndOfTrack(std::uint32_t delta = 0)
{
    return Ev(delta, {0xFF, 0x2F, 0x00});
}

inline Bytes Chunk(const std::string& id, const Bytes& body)
{
    Bytes out(id.begin(), id.end());
    const Bytes length = Be32(static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes Header(unsigned format, unsigned tracks, unsigned division)
{
    const auto byte = [](unsigned value) { return static_cast<unsigned char>(value & 0xFFu); };
    return Chunk("MThd", {0, byte(format), byte(tracks >> 8), byte(tracks), byte(division >> 8),
                          byte(division)});
}

inline Bytes Track(std::initializer_list<Bytes> events)
{
    return Chunk("MTrk", Join(events));
}

} // namespace smf
