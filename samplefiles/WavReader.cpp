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
// The extensible header: the 16 plain bytes, then the extension's size, the valid bits
// per value, the channel mask and the subformat's GUID.
constexpr std::uint32_t kExtensibleBytes = 40;
constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
// A subformat GUID that stands for a plain format tag holds the tag in its first two bytes
// (little-endian) and then these fourteen.
constexpr unsigned char kSubformatTail[14]
    = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 };

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

WavReader::Encoding EncodingOf(std::uint16_t tag, int bits, int validBits)
{
    using Encoding = WavReader::Encoding;
    if (tag == kTagPcm && validBits == bits) {
        switch (bits) {
        case 8:
            return Encoding::kPcm8;
        case 16:
            return Encoding::kPcm16;
        case 24:
            return Encoding::kPcm24;
        case 32:
            return Encoding::kPcm32;
        default:
            return Encoding::kNone;
        }
    }
    if (tag == kTagPcm && validBits == 24 && bits == 32)
        return Encoding::kPcm24In32;
    if (tag == kTagFloat && validBits == bits && bits == 32)
        return Encoding::kFloat32;
    if (tag == kTagFloat && validBits == bits && bits == 64)
        return Encoding::kFloat64;
    return Encoding::kNone;
}

// Four printable characters, the first no blank: what a chunk header starts with.
bool LooksLikeChunkId(const unsigned char* id)
{
    if (id[0] == ' ')
        return false;
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E)
            return false;
    return true;
}

// Chunk identifiers that WAV writers commonly use; they settle the rare case in which the
// bytes both with and without a pad byte look like an identifier.
bool IsCommonChunkId(const unsigned char* id)
{
    static const char* const kIds[] = { "fmt ", "data", "LIST", "JUNK", "junk", "fact", "cue ",
        "smpl", "inst", "bext", "id3 ", "ID3 ", "PEAK", "iXML", "acid", "PAD ", "FLLR", "plst",
        "DISP", "umid", "cart" };
    for (const char* known : kIds)
        if (std::memcmp(id, known, 4) == 0)
            return true;
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

// 32-bit integers scaled as 24-bit ones are: v / 2^31. `mask` clears the bits below the
// valid ones (the low byte of 24 valid bits in a 32-bit container), so those read exactly
// as the same values stored in 3 bytes.
void ConvertInt32(const unsigned char* src, double* dst, std::size_t n, std::uint32_t mask)
{
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t u;
        std::memcpy(&u, src + 4 * i, 4);
        const std::int32_t v = static_cast<std::int32_t>(u & mask);
        dst[i] = v * 4.656612873077392578125e-10;
    }
}

void ConvertFloat32(const unsigned char* src, double* dst, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        float v;
        std::memcpy(&v, src + 4 * i, 4);
        dst[i] = v;
    }
}

} // namespace

bool WavReader::Fail(LoadFailure reason)
{
    Close();
    encoding = Encoding::kNone;
    bits = 0;
    rate = 0;
    channels = 0;
    frames = 0;
    failure = reason;
    if (reason != LoadFailure::kUnsupported)
        failureDetail[0] = '\0';
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

bool WavReader::SkipWithin(std::uint32_t bytes)
{
    // A chunk that claims more bytes than the file holds is cut short: nothing after it
    // can be found.
    if (!FileSystem::SkipBytes(file, bytes))
        return Fail(LoadFailure::kDamaged);
    const std::int64_t position = FileSystem::FilePosition(file);
    if (position < 0 || position > fileLength)
        return Fail(LoadFailure::kDamaged);
    return true;
}

bool WavReader::SkipPad(std::uint32_t size)
{
    if (size % 2 == 0)
        return true;
    // An odd chunk is followed by a pad byte, but some writers leave it out. Take the pad
    // unless only the bytes without it start a chunk header (or, when both do, only they
    // name a common chunk).
    unsigned char next[5];
    const std::size_t got = std::fread(next, 1, sizeof next, file);
    bool pad = true;
    if (got == sizeof next) {
        const bool padded = LooksLikeChunkId(next + 1);
        const bool unpadded = LooksLikeChunkId(next);
        if (unpadded && !padded)
            pad = false;
        else if (unpadded && padded)
            pad = !IsCommonChunkId(next) || IsCommonChunkId(next + 1);
    }
    if (!FileSystem::SkipBytes(file, std::int64_t(pad ? 1 : 0) - std::int64_t(got)))
        return Fail(LoadFailure::kDamaged);
    return true;
}

bool WavReader::ReadFormat(std::uint32_t size)
{
    unsigned char fmt[kExtensibleBytes];
    if (std::fread(fmt, 1, kFormatBytes, file) != kFormatBytes)
        return Fail(LoadFailure::kDamaged);
    std::uint32_t consumed = kFormatBytes;
    const std::uint16_t tag = Le16(fmt);
    // Read as signed: a slot keeps a signed 16-bit channel count, so counts of 32768 and
    // more are no acceptable format rather than a negative count later on.
    const int newChannels = static_cast<std::int16_t>(Le16(fmt + 2));
    const int newBits = Le16(fmt + 14);
    std::uint16_t kind = tag;
    int validBits = newBits;
    failureDetail[0] = '\0';
    if (tag == kTagExtensible) {
        if (size < kExtensibleBytes) {
            std::snprintf(failureDetail, sizeof failureDetail,
                "WAV extensible format without its extension");
        } else {
            if (std::fread(fmt + kFormatBytes, 1, kExtensibleBytes - kFormatBytes, file)
                != kExtensibleBytes - kFormatBytes)
                return Fail(LoadFailure::kDamaged);
            consumed = kExtensibleBytes;
            validBits = Le16(fmt + 18);
            const unsigned char* guid = fmt + 24;
            if (std::memcmp(guid + 2, kSubformatTail, sizeof kSubformatTail) == 0) {
                kind = Le16(guid);
            } else {
                std::snprintf(failureDetail, sizeof failureDetail,
                    "WAV extensible subformat {%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                    unsigned(Le32(guid)), unsigned(Le16(guid + 4)), unsigned(Le16(guid + 6)),
                    guid[8], guid[9], guid[10], guid[11], guid[12], guid[13], guid[14], guid[15]);
            }
        }
    }
    const Encoding found = EncodingOf(kind, newBits, validBits);
    if (failureDetail[0]) {
        // already named
    } else if (newChannels <= 0) {
        std::snprintf(failureDetail, sizeof failureDetail, "WAV with %u channels",
            unsigned(Le16(fmt + 2)));
    } else if (found == Encoding::kNone) {
        const char* prefix = tag == kTagExtensible ? "WAV extensible" : "WAV";
        const char* type = kind == kTagPcm ? "PCM" : kind == kTagFloat ? "float" : nullptr;
        if (!type && tag == kTagExtensible)
            std::snprintf(failureDetail, sizeof failureDetail, "WAV extensible subformat 0x%04X",
                unsigned(kind));
        else if (!type)
            std::snprintf(failureDetail, sizeof failureDetail, "WAV format tag 0x%04X",
                unsigned(tag));
        else if (validBits == newBits)
            std::snprintf(failureDetail, sizeof failureDetail, "%s %d-bit %s", prefix, newBits,
                type);
        else
            std::snprintf(failureDetail, sizeof failureDetail, "%s %d-bit %s in %d-bit containers",
                prefix, validBits, type, newBits);
    }
    if (failureDetail[0]) {
        encoding = Encoding::kNone;
        channels = 0;
        bits = 0;
        rate = 0;
    } else {
        encoding = found;
        channels = newChannels;
        bits = newBits;
        rate = static_cast<std::int32_t>(Le32(fmt + 4));
    }
    return SkipWithin(size - consumed);
}

bool WavReader::Open(const char* path, std::uint64_t maxValues)
{
    Close();
    encoding = Encoding::kNone;
    bits = 0;
    rate = 0;
    channels = 0;
    frames = 0;
    failure = LoadFailure::kNone;
    failureDetail[0] = '\0';
    file = FileSystem::OpenRegularFile(path);
    if (!file) {
        const LoadFailure why = OpenFailureOf(path);
        // The path may have become readable since: it still failed here.
        return Fail(why == LoadFailure::kNone ? LoadFailure::kUnreadable : why);
    }
    fileLength = FileSystem::FileLength(file);

    unsigned char header[12];
    if (std::fread(header, 1, sizeof header, file) != sizeof header
        || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return Fail(LoadFailure::kDamaged);

    // Sample data met before any acceptable format: the file breaks the rule that the
    // format comes first, unless a later data chunk follows the format.
    bool dataBeforeFormat = false;
    for (;;) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, sizeof chunk, file) != sizeof chunk) {
            if (bits != 0)
                return Fail(dataBeforeFormat ? LoadFailure::kDamaged : LoadFailure::kNoAudio);
            return Fail(failureDetail[0] ? LoadFailure::kUnsupported : LoadFailure::kDamaged);
        }
        const std::uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= kFormatBytes) {
            if (!ReadFormat(size) || !SkipPad(size))
                return false;
            continue;
        }
        const bool data = std::memcmp(chunk, "data", 4) == 0;
        if (data && size != 0 && bits != 0) {
            const std::uint32_t frameBytes = static_cast<std::uint32_t>(channels * bits) / 8;
            const std::uint32_t claimed = size / frameBytes;
            if (claimed == 0)
                return Fail(LoadFailure::kNoAudio);
            // The chunk may claim more than the file holds; count only the whole frames
            // that are really there, so a short file can't make the loader allocate for
            // data that doesn't exist.
            const std::int64_t start = FileSystem::FilePosition(file);
            const std::int64_t held = fileLength >= start && start >= 0 ? fileLength - start : 0;
            frames = static_cast<std::uint32_t>(
                std::min<std::int64_t>(claimed, held / static_cast<std::int64_t>(frameBytes)));
            // Without one whole frame there is nothing to play and nothing to decode.
            if (frames == 0)
                return Fail(LoadFailure::kDamaged);
            valuesLeft = std::uint64_t(frames) * std::uint64_t(channels);
            if (valuesLeft > maxValues)
                return Fail(LoadFailure::kTooLarge);
            return true;
        }
        if (data && size != 0 && !failureDetail[0])
            dataBeforeFormat = true;
        if (!SkipWithin(size) || !SkipPad(size))
            return false;
    }
}

std::size_t WavReader::Read(double* destination, std::size_t count)
{
    if (!file || !destination || encoding == Encoding::kNone)
        return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, valuesLeft));
    const std::size_t valueBytes = static_cast<std::size_t>(bits) / 8;
    // Whole values per block, so a value never straddles two reads.
    const std::size_t blockValues = kBlockBytes / valueBytes;
    std::size_t stored = 0;
    if (encoding == Encoding::kFloat64 && count > 0) {
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
        switch (encoding) {
        case Encoding::kPcm8:
            Convert8(block.data(), out, got);
            break;
        case Encoding::kPcm16:
            Convert16(block.data(), out, got);
            break;
        case Encoding::kPcm24:
            Convert24(block.data(), out, got);
            break;
        case Encoding::kPcm24In32:
            ConvertInt32(block.data(), out, got, 0xFFFFFF00u);
            break;
        case Encoding::kPcm32:
            ConvertInt32(block.data(), out, got, 0xFFFFFFFFu);
            break;
        case Encoding::kFloat32:
            ConvertFloat32(block.data(), out, got);
            break;
        case Encoding::kFloat64:
        case Encoding::kNone:
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
