// Files the host tests write for the host to read, and read back from what it wrote.
#pragma once

#include "tests/host/SmfBytes.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

// A scratch directory per test: ctest runs the tests in parallel.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = testing::TempDir() + "quellorn-host-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        directory = pattern;
    }
    ~Scratch() { std::filesystem::remove_all(directory); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string Path(const std::string& name) const { return directory + "/" + name; }
    std::string Write(const std::string& name, const smf::Bytes& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }

private:
    std::string directory;
};

inline smf::Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return smf::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Wav {
    bool ok = false;
    SF_INFO info{};
    std::vector<double> samples; // interleaved

    double At(std::int64_t frame, int channel) const
    {
        return samples[static_cast<std::size_t>(frame * info.channels + channel)];
    }
};

inline Wav ReadWav(const std::string& path)
{
    Wav wav;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &wav.info);
    if (file == nullptr) {
        return wav;
    }
    wav.samples.resize(static_cast<std::size_t>(wav.info.frames * wav.info.channels));
    wav.ok = sf_readf_double(file, wav.samples.data(), wav.info.frames) == wav.info.frames;
    sf_close(file);
    return wav;
}
