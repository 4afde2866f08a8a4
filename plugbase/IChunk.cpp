#include "plugbase/IChunk.h"

#include <cstring>

namespace {

// Grows in whole steps so a chunk written value by value does not reallocate each time.
constexpr std::size_t kGrowthStep = 4096;

void Reserve(std::vector<std::uint8_t>& bytes, std::size_t needed)
{
    if (needed > bytes.capacity())
        bytes.reserve((needed + kGrowthStep - 1) / kGrowthStep * kGrowthStep);
}

} // namespace

void IChunk::Resize(int size)
{
    const std::size_t n = size > 0 ? static_cast<std::size_t>(size) : 0;
    Reserve(bytes, n);
    bytes.resize(n);
}

void IChunk::AppendBytes(const void* data, int size)
{
    if (size <= 0)
        return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    Reserve(bytes, bytes.size() + static_cast<std::size_t>(size));
    bytes.insert(bytes.end(), p, p + size);
}

// Stored in the machine's byte order, which is little-endian on every target we build.
void IChunk::AppendInt32(std::int32_t v)
{
    AppendBytes(&v, sizeof v);
}

void IChunk::AppendDouble(double v)
{
    AppendBytes(&v, sizeof v);
}

void IChunk::AppendText(const char* text)
{
    const std::int32_t n = text ? static_cast<std::int32_t>(std::strlen(text)) : 0;
    AppendInt32(n);
    AppendBytes(text, n);
}

bool IChunk::ReadInt32(int pos, std::int32_t* out) const
{
    if (pos < 0 || static_cast<std::size_t>(pos) + sizeof *out > bytes.size())
        return false;
    std::memcpy(out, bytes.data() + pos, sizeof *out);
    return true;
}

bool IChunk::ReadDouble(int pos, double* out) const
{
    if (pos < 0 || static_cast<std::size_t>(pos) + sizeof *out > bytes.size())
        return false;
    std::memcpy(out, bytes.data() + pos, sizeof *out);
    return true;
}
