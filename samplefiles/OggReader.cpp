#include "samplefiles/OggReader.h"

#include "samplefiles/FileSystem.h"

// ov_fopen brings its own standard-file callbacks; the header's static copies of them
// would only be unused variables here.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>

// Value-initialised: ov_clear must find a cleared record even when ov_fopen failed before
// it wrote anything into it.
OggReader::OggReader()
    : file(std::make_unique<OggVorbis_File>())
{
}

OggReader::~OggReader()
{
    Close();
}

void OggReader::Close()
{
    // Safe on a cleared record, and leaves the record cleared for the next Open.
    ov_clear(file.get());
    open = false;
}

bool OggReader::Fail()
{
    Close();
    frames = 0;
    channels = 0;
    rate = 0;
    return false;
}

bool OggReader::Refuse(LoadFailure reason, const char* detail)
{
    Fail();
    failure = reason;
    failureDetail = detail;
    return false;
}

bool OggReader::Open(const char* path, std::uint64_t maxValues)
{
    // A reader opened again keeps nothing of its earlier file, whatever happens now.
    Fail();
    failure = LoadFailure::kNone;
    failureDetail = "";
    // ov_fopen would wait forever on a FIFO or a device and take a folder for a file.
    if (!FileSystem::IsRegularFile(path))
        return Refuse(OpenFailureOf(path));
    const int opened = ov_fopen(path, file.get());
    if (opened < 0) {
        switch (opened) {
        case OV_EREAD:
            return Refuse(OpenFailureOf(path) == LoadFailure::kNotFound ? LoadFailure::kNotFound
                                                                         : LoadFailure::kUnreadable);
        case OV_ENOTVORBIS:
            // An Ogg stream of another codec, or no Ogg stream at all.
            return Refuse(LoadFailure::kUnsupported, "not Ogg Vorbis");
        case OV_EVERSION:
            return Refuse(LoadFailure::kUnsupported, "Vorbis version");
        default:
            return Refuse(LoadFailure::kDamaged);
        }
    }
    open = true;

    const ogg_int64_t total = ov_pcm_total(file.get(), -1);
    const vorbis_info* info = ov_info(file.get(), -1);
    if (total == 0)
        return Refuse(LoadFailure::kNoAudio);
    // A damaged last page can claim any length, and the count is kept in 32 bits; a
    // negative total is the library's error code, not a length.
    if (total < 0 || !info)
        return Refuse(LoadFailure::kDamaged);
    if (total > ogg_int64_t(UINT32_MAX))
        return Refuse(LoadFailure::kTooLarge);
    if (info->channels < 1 || info->channels > INT16_MAX || info->rate < 1 || info->rate > INT_MAX)
        return Refuse(LoadFailure::kDamaged);
    if (std::uint64_t(total) * std::uint64_t(info->channels) > maxValues)
        return Refuse(LoadFailure::kTooLarge);
    // A packet adds at most half the longest block (4096 frames) and takes at least one
    // byte of the stream, so a longer claim comes from a damaged last page; believed, it
    // would have a file of a few kilobytes allocate gigabytes before decoding.
    const ogg_int64_t bytes = ov_raw_total(file.get(), -1);
    if (bytes > 0 && total / 4096 > bytes)
        return Refuse(LoadFailure::kDamaged);
    frames = static_cast<std::uint32_t>(total);
    channels = static_cast<std::int16_t>(info->channels);
    rate = static_cast<int>(info->rate);
    return true;
}

std::uint32_t OggReader::Read(double* plane0, double* plane1, std::uint32_t limit)
{
    if (!open || !plane0)
        return 0;
    std::uint32_t position = 0;
    int link = 0;
    while (position < limit) {
        const int want = static_cast<int>(
            std::min<std::uint32_t>(std::uint32_t(kFramesPerRead), limit - position));
        float** pcm = nullptr;
        const long got = ov_read_float(file.get(), &pcm, want, &link);
        if (got <= 0 || !pcm)
            break;
        // Links of a chained stream may differ in their channel count: one without a
        // second channel has nothing for plane 1, and its arrays end before it.
        const vorbis_info* info = ov_info(file.get(), link);
        if (!info || info->channels < (plane1 ? 2 : 1))
            break;
        const std::uint32_t count = static_cast<std::uint32_t>(std::min<long>(got, want));
        for (std::uint32_t k = 0; k < count; ++k)
            plane0[position + k] = pcm[0][k];
        if (plane1)
            for (std::uint32_t k = 0; k < count; ++k)
                plane1[position + k] = pcm[1][k];
        position += count;
    }
    return position;
}
