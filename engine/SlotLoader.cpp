#include "engine/SlotLoader.h"

#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "samplefiles/FlacReader.h"
#include "samplefiles/NameMatch.h"
#include "samplefiles/OggReader.h"
#include "samplefiles/WavReader.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace {

// Interleaved values decoded per step of a multi-channel file before they are split into
// the two planes; keeps the temporary buffer small whatever the file's length.
constexpr std::size_t kSplitValues = 64 * 1024;

bool Refuse(DecodedSample& sample, LoadFailure failure, const char* detail = "")
{
    sample.failure = failure;
    std::snprintf(sample.failureDetail, sizeof sample.failureDetail, "%s", detail ? detail : "");
    return false;
}

// The reason a reader gives for a file it refused.
template <typename Reader> bool RefuseAs(DecodedSample& sample, const Reader& reader)
{
    return Refuse(sample, reader.Failure(), reader.FailureDetail());
}

bool DecodeWav(const char* path, DecodedSample& sample)
{
    WavReader reader;
    if (!reader.Open(path, SlotLoader::kMaxSampleValues))
        return RefuseAs(sample, reader);
    const std::size_t frames = sample.frames;
    const std::size_t channels = std::size_t(sample.channels);
    double* plane0 = sample.samples.data();
    if (channels < 2) {
        reader.Read(plane0, frames);
        return true;
    }
    const std::size_t stepFrames = std::max<std::size_t>(1, kSplitValues / channels);
    std::vector<double> interleaved(stepFrames * channels);
    double* plane1 = plane0 + frames;
    for (std::size_t start = 0; start < frames; start += stepFrames) {
        const std::size_t count = std::min(stepFrames, frames - start);
        const std::size_t wanted = count * channels;
        const std::size_t got = reader.Read(interleaved.data(), wanted);
        // Values the file didn't hold read as 0, as in a buffer cleared before decoding.
        std::fill(interleaved.begin() + std::ptrdiff_t(got),
            interleaved.begin() + std::ptrdiff_t(wanted), 0.0);
        for (std::size_t f = 0; f < count; ++f) {
            plane0[start + f] = interleaved[f * channels];
            plane1[start + f] = interleaved[f * channels + 1];
        }
        if (got < wanted)
            break;
    }
    return true;
}

// Ogg Vorbis and FLAC readers decode straight into the two planes.
template <typename Reader> bool DecodePlanes(const char* path, DecodedSample& sample)
{
    Reader reader;
    if (!reader.Open(path, SlotLoader::kMaxSampleValues))
        return RefuseAs(sample, reader);
    double* plane0 = sample.samples.data();
    reader.Read(plane0, sample.channels > 1 ? plane0 + sample.frames : nullptr, sample.frames);
    return true;
}

template <typename Reader> bool ReadPlanesHeader(const char* path, DecodedSample& out)
{
    Reader reader;
    if (!reader.Open(path, SlotLoader::kMaxSampleValues))
        return RefuseAs(out, reader);
    out.frames = reader.Frames();
    out.channels = reader.Channels();
    out.fileRate = reader.Rate();
    return true;
}

} // namespace

SlotLoader::SlotLoader(CLS_QUELLORN& owner) : sampler(owner) {}

bool SlotLoader::ReadHeader(const char* path, const char* extension, DecodedSample& out)
{
    out = DecodedSample();
    if (NameMatches(extension, "wav")) {
        WavReader reader;
        if (!reader.Open(path, kMaxSampleValues))
            return RefuseAs(out, reader);
        if (reader.Channels() > INT16_MAX) {
            char detail[48];
            std::snprintf(detail, sizeof detail, "WAV with %d channels", reader.Channels());
            return Refuse(out, LoadFailure::kUnsupported, detail);
        }
        out.frames = reader.Frames();
        out.channels = static_cast<std::int16_t>(reader.Channels());
        out.fileRate = reader.Rate();
    } else if (NameMatches(extension, "ogg")) {
        if (!ReadPlanesHeader<OggReader>(path, out))
            return false;
        // Ogg Vorbis files play at a ratio rounded to single precision.
        out.singlePrecisionRatio = true;
    } else if (NameMatches(extension, "flac")) {
        if (!ReadPlanesHeader<FlacReader>(path, out))
            return false;
    } else {
        char detail[48];
        std::snprintf(detail, sizeof detail, ".%.40s", extension);
        return Refuse(out, LoadFailure::kUnsupported, detail);
    }
    if (std::uint64_t(out.frames) * std::uint64_t(out.channels) > kMaxSampleValues)
        return Refuse(out, LoadFailure::kTooLarge);
    return true;
}

bool SlotLoader::Decode(const char* path, const char* extension, bool reverse,
                        DecodedSample& sample)
{
    sample.reversed = false;
    if (sample.frames == 0 || sample.channels < 1) {
        sample.samples.assign(1, 0.0);
        sample.reversed = reverse;
        return sample.frames == 0 || Refuse(sample, LoadFailure::kDamaged);
    }
    try {
        sample.samples.assign(std::size_t(sample.frames) * std::size_t(sample.channels), 0.0);
    } catch (const std::bad_alloc&) {
        sample.samples.clear();
        return Refuse(sample, LoadFailure::kTooLarge);
    }
    const bool decoded = NameMatches(extension, "wav") ? DecodeWav(path, sample)
        : NameMatches(extension, "ogg")  ? DecodePlanes<OggReader>(path, sample)
        : NameMatches(extension, "flac") ? DecodePlanes<FlacReader>(path, sample)
                                         : Refuse(sample, LoadFailure::kUnsupported);
    if (!decoded) {
        std::vector<double>().swap(sample.samples);
        return false;
    }
    if (reverse)
        ReversePlanes(sample.samples, sample.frames, sample.channels);
    sample.reversed = reverse;
    return true;
}

void SlotLoader::ReversePlanes(std::vector<double>& samples, std::uint32_t frames, int channels)
{
    const std::size_t planes = channels > 1 ? 2 : 1;
    if (frames == 0 || samples.size() < std::size_t(frames) * planes)
        return;
    const auto start = samples.begin();
    std::reverse(start, start + std::ptrdiff_t(frames));
    if (planes == 2)
        std::reverse(start + std::ptrdiff_t(frames), start + std::ptrdiff_t(2 * std::size_t(frames)));
}

void SlotLoader::SwapIn(int slot, DecodedSample& decoded)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    sampler.StopSlotVoices(slot);
    if (sampler.keyboardDisplay[slot])
        sampler.keyboardDisplay[slot]->ClearHeldKeys();
    SampleData& sample = sampler.slotSample[slot];
    if (decoded.samples.empty())
        decoded.samples.assign(1, 0.0);
    sample.samples.swap(decoded.samples);
    sample.frames = decoded.frames;
    sample.channels = decoded.channels;
    sample.fileRate = decoded.fileRate;
    sample.singlePrecisionRatio = decoded.singlePrecisionRatio;
    sample.rateRatio
        = RateRatioFor(decoded.fileRate, sampler.engineRate, decoded.singlePrecisionRatio);
}

void SlotLoader::Empty(int slot, std::vector<double>& old)
{
    DecodedSample nothing;
    SampleData& sample = sampler.slotSample[slot];
    // The file's format stays, as it did when a slot was emptied in place.
    nothing.channels = sample.channels;
    nothing.fileRate = sample.fileRate;
    nothing.singlePrecisionRatio = sample.singlePrecisionRatio;
    nothing.samples.assign(1, 0.0);
    SwapIn(slot, nothing);
    old.swap(nothing.samples);
}

void SlotLoader::NoteFailure(int slot, LoadFailure failure, const char* detail)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    DescribeLoadFailure(failure, detail, failureText[slot], sizeof failureText[slot]);
}

const char* SlotLoader::FailureText(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? failureText[slot] : "";
}

void SlotLoader::SetReverseHint(int slot, bool reverse)
{
    if (slot >= 0 && slot < kSlotCount)
        reverseHint[slot].store(reverse, std::memory_order_relaxed);
}

bool SlotLoader::ReverseHint(int slot) const
{
    return slot >= 0 && slot < kSlotCount && reverseHint[slot].load(std::memory_order_relaxed);
}
