#include "tools/host/WavWriter.h"

#include <sndfile.h>

namespace {

SNDFILE* Handle(void* file)
{
    return static_cast<SNDFILE*>(file);
}

int SubFormat(SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        return SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24:
        return SF_FORMAT_PCM_24;
    case SampleFormat::Float:
        return SF_FORMAT_FLOAT;
    }
    return SF_FORMAT_PCM_24;
}

int BytesPerSample(SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        return 2;
    case SampleFormat::Pcm24:
        return 3;
    case SampleFormat::Float:
        return 4;
    }
    return 4;
}

// The RIFF size field counts everything after its first 8 bytes; libsndfile's header
// (format, fact and peak chunks) stays far below this.
constexpr std::uint64_t kWavHeaderAllowance = 4096;
constexpr std::uint64_t kWavSizeLimit = 0xFFFFFFFFull - kWavHeaderAllowance;

} // namespace

std::uint64_t WavDataBytes(std::int64_t frames, int channels, SampleFormat format)
{
    if (frames <= 0 || channels <= 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(channels) *
           static_cast<std::uint64_t>(BytesPerSample(format));
}

WavContainer ContainerFor(std::uint64_t dataBytes)
{
    return dataBytes <= kWavSizeLimit ? WavContainer::Wav : WavContainer::Rf64;
}

WavWriter::~WavWriter()
{
    std::string ignored;
    Close(ignored);
}

bool WavWriter::Open(const std::string& path, int channels, int sampleRate, SampleFormat format,
                     WavContainer container, std::string& error)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = (container == WavContainer::Rf64 ? SF_FORMAT_RF64 : SF_FORMAT_WAV) |
                  SubFormat(format);
    channelCount = channels;
    sampleFormat = format;
    kind = container;
    framesWritten = 0;
    file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (format == SampleFormat::Float) {
        // The PEAK chunk carries a time stamp: two renders of the same audio would differ.
        sf_command(Handle(file), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    } else {
        // Without clipping, an over-full sample wraps round to the opposite sign.
        sf_command(Handle(file), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    return true;
}

bool WavWriter::Write(const float* interleaved, std::int64_t frames, std::string& error)
{
    return Check(sf_writef_float(Handle(file), interleaved, frames), frames, error);
}

bool WavWriter::Write(const double* interleaved, std::int64_t frames, std::string& error)
{
    return Check(sf_writef_double(Handle(file), interleaved, frames), frames, error);
}

bool WavWriter::Check(std::int64_t written, std::int64_t frames, std::string& error)
{
    if (written != frames) {
        error = std::string("writing the output failed: ") + sf_strerror(Handle(file));
        return false;
    }
    framesWritten += written;
    // Past this, a plain WAV file's size fields would wrap round and misdescribe the data.
    if (kind == WavContainer::Wav &&
        ContainerFor(WavDataBytes(framesWritten, channelCount, sampleFormat)) != kind) {
        error = "the output outgrew what a WAV file can describe";
        return false;
    }
    return true;
}

bool WavWriter::Close(std::string& error)
{
    if (file == nullptr) {
        return true;
    }
    const int result = sf_close(Handle(file));
    file = nullptr;
    if (result != 0) {
        error = std::string("closing the output failed: ") + sf_error_number(result);
        return false;
    }
    return true;
}
