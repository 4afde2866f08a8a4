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

} // namespace

WavWriter::~WavWriter()
{
    std::string ignored;
    Close(ignored);
}

bool WavWriter::Open(const std::string& path, int channels, int sampleRate, SampleFormat format,
                     std::string& error)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SubFormat(format);
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
    if (written == frames) {
        return true;
    }
    error = std::string("writing the output failed: ") + sf_strerror(Handle(file));
    return false;
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
