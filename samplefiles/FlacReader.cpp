#include "samplefiles/FlacReader.h"

#include "samplefiles/FileSystem.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

// The decoder reads through these rather than opening the file itself: the file is ours
// (opened only when it is a regular file, closed by us whatever the library's state), and
// the library never needs to seek, since a stream is only ever read from its start.
struct FlacReader::Callbacks {
    static FLAC__StreamDecoderReadStatus Read(
        const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* self)
    {
        std::FILE* file = static_cast<FlacReader*>(self)->file;
        if (*bytes == 0)
            return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
        *bytes = std::fread(buffer, 1, *bytes, file);
        if (*bytes > 0)
            return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
        return std::ferror(file) ? FLAC__STREAM_DECODER_READ_STATUS_ABORT
                                 : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
    }

    static FLAC__bool Eof(const FLAC__StreamDecoder*, void* self)
    {
        return std::feof(static_cast<FlacReader*>(self)->file) != 0;
    }

    static FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
        const FLAC__int32* const buffer[], void* self)
    {
        FlacReader& reader = *static_cast<FlacReader*>(self);
        const FLAC__FrameHeader& header = frame->header;
        // A frame that disagrees with the stream's own description is damage too: its
        // values would be scaled wrongly or a channel read that isn't there.
        if (reader.damaged || int(header.channels) != reader.statedChannels
            || int(header.bits_per_sample) != reader.bits)
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        if (reader.counting) {
            reader.counted += header.blocksize;
            return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
        }
        // Without a Read running (Open's first block) all of the block waits.
        const FLAC__int32* channel1 = header.channels > 1 ? buffer[1] : nullptr;
        const std::uint32_t room = reader.wanted - reader.position;
        const std::uint32_t now = std::min<std::uint32_t>(header.blocksize, room);
        reader.Store(buffer[0], channel1, now);
        // What doesn't fit waits for the next Read.
        if (now < header.blocksize) {
            reader.pending0.assign(buffer[0] + now, buffer[0] + header.blocksize);
            if (channel1)
                reader.pending1.assign(channel1 + now, channel1 + header.blocksize);
            reader.pendingAt = 0;
        }
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    static void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* self)
    {
        if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO)
            return;
        FlacReader& reader = *static_cast<FlacReader*>(self);
        const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
        reader.sawStreamInfo = true;
        reader.statedFrames = info.total_samples;
        reader.statedChannels = int(info.channels);
        reader.bits = int(info.bits_per_sample);
        reader.rate = info.sample_rate <= unsigned(INT_MAX) ? int(info.sample_rate) : 0;
    }

    static void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self)
    {
        // The library would go on with silence in place of a bad frame; a slot keeps only
        // what was decoded before the damage.
        static_cast<FlacReader*>(self)->damaged = true;
    }
};

struct FlacReader::Decoder {
    explicit Decoder(FLAC__StreamDecoder* newHandle)
        : handle(newHandle)
    {
    }
    ~Decoder() { FLAC__stream_decoder_delete(handle); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    FLAC__StreamDecoder* const handle;
};

FlacReader::FlacReader() = default;

FlacReader::~FlacReader()
{
    Close();
}

void FlacReader::Close()
{
    // The decoder goes first: finishing it may still read.
    decoder.reset();
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    pending0.clear();
    pending1.clear();
    pendingAt = 0;
}

bool FlacReader::Fail(LoadFailure reason)
{
    Close();
    frames = 0;
    channels = 0;
    rate = 0;
    bits = 0;
    failure = reason;
    return false;
}

bool FlacReader::Start()
{
    sawStreamInfo = false;
    damaged = false;
    if (FLAC__stream_decoder_init_stream(decoder->handle, Callbacks::Read, nullptr, nullptr, nullptr,
            Callbacks::Eof, Callbacks::Write, Callbacks::Metadata, Callbacks::Error, this)
        != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        return false;
    return FLAC__stream_decoder_process_until_end_of_metadata(decoder->handle) && sawStreamInfo
        && !damaged;
}

bool FlacReader::Open(const char* path, std::uint64_t maxValues)
{
    // A reader opened again keeps nothing of its earlier file, whatever happens now.
    Fail(LoadFailure::kNone);
    file = FileSystem::OpenRegularFile(path);
    if (!file) {
        const LoadFailure why = OpenFailureOf(path);
        // The path may have become readable since: it still failed here.
        return Fail(why == LoadFailure::kNone ? LoadFailure::kUnreadable : why);
    }
    FLAC__StreamDecoder* handle = FLAC__stream_decoder_new();
    if (!handle)
        return Fail(LoadFailure::kTooLarge);
    decoder = std::make_unique<Decoder>(handle);
    if (!Start())
        return Fail(LoadFailure::kDamaged);
    // The library allows 4 to 32 bits and 1 to 8 channels; a rate of 0 is no stream.
    if (rate <= 0 || bits < 4 || bits > 32 || statedChannels < 1 || statedChannels > 8)
        return Fail(LoadFailure::kDamaged);

    std::uint64_t total = statedFrames;
    if (total == 0) {
        // A stream written without knowing its length: count its frames, up to any damage,
        // then start again from the top.
        counting = true;
        counted = 0;
        FLAC__stream_decoder_process_until_end_of_stream(decoder->handle);
        counting = false;
        total = counted;
        FLAC__stream_decoder_finish(decoder->handle);
        if (std::fseek(file, 0, SEEK_SET) != 0 || !Start())
            return Fail(LoadFailure::kDamaged);
        if (total == 0)
            return Fail(LoadFailure::kNoAudio);
    }
    if (total > UINT32_MAX || total * std::uint64_t(statedChannels) > maxValues)
        return Fail(LoadFailure::kTooLarge);
    // A frame holds at most 65535 samples a channel and takes at least its 6-byte header and
    // a byte a channel, so a longer stated length comes from a damaged description; believed,
    // it would have a file of a few kilobytes allocate gigabytes before decoding.
    // The decoder reads on from where it stopped: the size is taken without moving it.
    const long here = std::ftell(file);
    if (here >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        const long bytes = std::ftell(file);
        if (std::fseek(file, here, SEEK_SET) != 0)
            return Fail(LoadFailure::kDamaged);
        if (bytes > 0
            && total > 65535u * (std::uint64_t(bytes) / (6u + std::uint64_t(statedChannels)) + 1))
            return Fail(LoadFailure::kDamaged);
    }
    // The first block is decoded now, into the pending arrays: a stream without one
    // decodable block has nothing to play, whatever its description claims.
    out0 = nullptr;
    out1 = nullptr;
    wanted = 0;
    position = 0;
    while (pending0.empty() && !damaged) {
        if (!FLAC__stream_decoder_process_single(decoder->handle))
            break;
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder->handle);
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM || state == FLAC__STREAM_DECODER_ABORTED)
            break;
    }
    if (pending0.empty())
        return Fail(LoadFailure::kDamaged);
    frames = static_cast<std::uint32_t>(total);
    channels = static_cast<std::int16_t>(statedChannels);
    // 2^-(bits-1): exact, so each value is the integer scaled without rounding.
    scale = std::ldexp(1.0, 1 - bits);
    return true;
}

void FlacReader::Store(
    const std::int32_t* channel0, const std::int32_t* channel1, std::uint32_t count)
{
    double* to0 = out0 + position;
    for (std::uint32_t k = 0; k < count; ++k)
        to0[k] = channel0[k] * scale;
    if (out1 && channel1) {
        double* to1 = out1 + position;
        for (std::uint32_t k = 0; k < count; ++k)
            to1[k] = channel1[k] * scale;
    }
    position += count;
}

std::uint32_t FlacReader::Read(double* plane0, double* plane1, std::uint32_t limit)
{
    if (!decoder || !plane0)
        return 0;
    out0 = plane0;
    out1 = channels > 1 ? plane1 : nullptr;
    wanted = limit;
    position = 0;
    if (pendingAt < pending0.size()) {
        const std::size_t left = pending0.size() - pendingAt;
        const std::uint32_t now = static_cast<std::uint32_t>(std::min<std::size_t>(left, limit));
        Store(pending0.data() + pendingAt,
            pending1.empty() ? nullptr : pending1.data() + pendingAt, now);
        pendingAt += now;
    }
    while (position < wanted && !damaged) {
        // Only a block that found room was stored; its rest waits in the pending arrays.
        if (pendingAt < pending0.size())
            break;
        pending0.clear();
        pending1.clear();
        pendingAt = 0;
        if (!FLAC__stream_decoder_process_single(decoder->handle))
            break;
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder->handle);
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM || state == FLAC__STREAM_DECODER_ABORTED)
            break;
    }
    out0 = nullptr;
    out1 = nullptr;
    return position;
}
