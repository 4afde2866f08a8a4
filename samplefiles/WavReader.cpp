#include "samplefiles/WavReader.h"

#include "samplefiles/FileSystem.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes read from the file per step: large enough that the conversion loop, not the
// calls into the C library, sets the pace, small enough to stay in the cache.
constexpr std::size_t kBlockBytes = 64 * 1024;
// Room after a block's last value for the conversions' wide loads.
constexpr std::size_t kBlockSpare = 8;
constexpr std::uint32_t kFormatBytes = 16;
constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool AcceptableFormat(std::uint16_t tag, int channels, int bits)
{
    if (channels <= 0)
        return false;
    if (tag == kTagPcm)
        return bits == 8 || bits == 16 || bits == 24;
    if (tag == kTagFloat)
        return bits == 32 || bits == 64;
    return false;
}

// The conversions below run over a whole block; plain loops over memcpy loads that the
// compiler vectorises. The constants are exact powers of two, so each value is the same
// as a one-at-a-time conversion would give.
void Convert8(const unsigned char* src, double* dst, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = src[i] * 0.0078125 - 1.0;
}

void Convert16(const unsigned char* src, double* dst, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        std::int16_t v;
        std::memcpy(&v, src + 2 * i, 2);
        dst[i] = v * 0.000030517578125;
    }
}

// Reads one byte past each value (the block keeps spare bytes at its end for the last
// one); the extra byte is shifted out.
void Convert24(const unsigned char* src, double* dst, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t u;
        std::memcpy(&u, src + 3 * i, 4);
        // Bit 23 moves to the sign bit; the arithmetic shift back extends it.
        const std::int32_t v = static_cast<std::int32_t>(u << 8) >> 8;
        dst[i] = v * 1.1920928955078125e-7;
    }
}

void Convert32(const unsigned char* src, double* dst, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        float v;
        std::memcpy(&v, src + 4 * i, 4);
        dst[i] = v;
    }
}

} // namespace

bool WavReader::Fail()
{
    Close();
    bits = 0;
    rate = 0;
    channels = 0;
    frames = 0;
    return false;
}

void WavReader::Close()
{
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    valuesLeft = 0;
}

void WavReader::ReadFormat(std::uint32_t size)
{
    unsigned char fmt[kFormatBytes];
    const bool whole = std::fread(fmt, 1, kFormatBytes, file) == kFormatBytes;
    const std::uint16_t tag = whole ? Le16(fmt) : 0;
    // Read as signed: a slot keeps a signed 16-bit channel count, so counts of 32768 and
    // more are no acceptable format rather than a negative count later on.
    const int newChannels = whole ? static_cast<std::int16_t>(Le16(fmt + 2)) : 0;
    const int newBits = whole ? Le16(fmt + 14) : 0;
    if (whole && AcceptableFormat(tag, newChannels, newBits)) {
        channels = newChannels;
        bits = newBits;
        rate = static_cast<std::int32_t>(Le32(fmt + 4));
    } else {
        channels = 0;
        bits = 0;
        rate = 0;
    }
    // A short read left the file at its end; the next header read fails.
    if (whole && !FileSystem::SkipBytes(file, std::int64_t(size) - kFormatBytes))
        Fail();
}

bool WavReader::Open(const char* path)
{
    Close();
    bits = 0;
    rate = 0;
    channels = 0;
    frames = 0;
    file = FileSystem::OpenRegularFile(path);
    if (!file)
        return false;

    unsigned char header[12];
    if (std::fread(header, 1, sizeof header, file) != sizeof header
        || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return Fail();

    for (;;) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, sizeof chunk, file) != sizeof chunk)
            return Fail();
        const std::uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= kFormatBytes) {
            ReadFormat(size);
            if (!file)
                return false;
            continue;
        }
        if (std::memcmp(chunk, "data", 4) == 0 && size != 0 && bits != 0) {
            const std::uint32_t frameBytes = static_cast<std::uint32_t>(channels * bits) / 8;
            std::uint32_t claimed = size / frameBytes;
            // The chunk may claim more than the file holds; count only the whole frames
            // that are really there, so a short file can't make the loader allocate for
            // data that doesn't exist.
            const std::int64_t length = FileSystem::FileLength(file);
            const std::int64_t start = FileSystem::FilePosition(file);
            const std::int64_t held = length >= start && start >= 0 ? length - start : 0;
            frames = static_cast<std::uint32_t>(
                std::min<std::int64_t>(claimed, held / static_cast<std::int64_t>(frameBytes)));
            // Without one whole frame there is nothing to play and nothing to decode.
            if (frames == 0)
                return Fail();
            valuesLeft = std::uint64_t(frames) * std::uint64_t(channels);
            return true;
        }
        // Exactly `size` bytes: odd-sized chunks carry no pad byte in the files this
        // reader must accept.
        if (!FileSystem::SkipBytes(file, size))
            return Fail();
    }
}

std::size_t WavReader::Read(double* destination, std::size_t count)
{
    if (!file || !destination || bits == 0)
        return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, valuesLeft));
    const std::size_t valueBytes = static_cast<std::size_t>(bits) / 8;
    // Whole values per block, so a value never straddles two reads.
    const std::size_t blockValues = kBlockBytes / valueBytes;
    std::size_t stored = 0;
    if (bits == 64 && count > 0) {
        // Doubles need no conversion: the whole values the file holds right now go
        // straight into place. Only they do, so a file cut short since Open can't leave a
        // partial value in the destination; the rest goes through the block below.
        const std::int64_t length = FileSystem::FileLength(file);
        const std::int64_t position = FileSystem::FilePosition(file);
        const std::uint64_t held
            = length > position && position >= 0 ? std::uint64_t(length - position) / 8 : 0;
        const std::size_t direct = static_cast<std::size_t>(std::min<std::uint64_t>(count, held));
        stored = std::fread(destination, 8, direct, file);
        valuesLeft -= stored;
        if (stored < direct)
            return stored;
    }
    if (stored < count && block.size() < kBlockBytes + kBlockSpare)
        block.resize(kBlockBytes + kBlockSpare);

    while (stored < count) {
        const std::size_t want = std::min(blockValues, count - stored);
        double* out = destination + stored;
        // Through the block: a value the file holds only in part never reaches the
        // destination.
        const std::size_t got = std::fread(block.data(), 1, want * valueBytes, file) / valueBytes;
        switch (bits) {
        case 8:
            Convert8(block.data(), out, got);
            break;
        case 16:
            Convert16(block.data(), out, got);
            break;
        case 24:
            Convert24(block.data(), out, got);
            break;
        case 32:
            Convert32(block.data(), out, got);
            break;
        default:
            std::memcpy(out, block.data(), got * 8);
            break;
        }
        stored += got;
        valuesLeft -= got;
        if (got < want)
            break;
    }
    return stored;
}
