// A growable byte buffer holding saved state: little-endian values and texts stored as an
// int32 length followed by the characters. Owned by whoever holds it (a preset, or the VST
// adapter's program and bank chunks, whose data the host reads in place until the next
// chunk call). Not locked itself; used under the plug-in's object lock.
#pragma once

#include <cstdint>
#include <vector>

class IChunk {
public:
    const std::uint8_t* Data() const { return bytes.data(); }
    std::uint8_t* Data() { return bytes.data(); }
    int Size() const { return static_cast<int>(bytes.size()); }
    void Resize(int size);
    void Clear() { bytes.clear(); }

    void AppendBytes(const void* data, int size);
    void AppendInt32(std::int32_t v);
    void AppendDouble(double v);
    // int32 length, then the characters without terminator.
    void AppendText(const char* text);

    // Reads at pos when the whole value lies within the used size; false otherwise.
    bool ReadInt32(int pos, std::int32_t* out) const;
    bool ReadDouble(int pos, double* out) const;

private:
    std::vector<std::uint8_t> bytes;
};
