// Helpers for the sample-file tests: a temporary folder removed with its contents, WAV
// files built byte by byte for the hostile cases, and the sox-made fixtures of tests/data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace WavTestFiles {

namespace fs = std::filesystem;

// Bytes of a literal, embedded zeros included.
template <std::size_t N> std::string B(const char (&text)[N])
{
    return std::string(text, N - 1);
}

inline std::string Le16(std::uint16_t v)
{
    return { char(v & 0xFF), char(v >> 8) };
}

inline std::string Le32(std::uint32_t v)
{
    return Le16(std::uint16_t(v & 0xFFFF)) + Le16(std::uint16_t(v >> 16));
}

inline std::string Chunk(const char* id, const std::string& body)
{
    return std::string(id, 4) + Le32(std::uint32_t(body.size())) + body;
}

// A chunk header whose size says something other than the bytes that follow.
inline std::string ChunkClaiming(const char* id, std::uint32_t size, const std::string& body)
{
    return std::string(id, 4) + Le32(size) + body;
}

inline std::string Fmt(
    std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    const std::uint16_t align = std::uint16_t(channels * (bits / 8));
    return Chunk("fmt ",
        Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits));
}

// The extensible format header: its subformat GUID stands for the plain format tag
// `subformat`, and `validBits` of each `bits`-bit container hold the value.
inline std::string Extensible(std::uint16_t subformat, std::uint16_t channels, std::uint32_t rate,
    std::uint16_t bits, std::uint16_t validBits)
{
    const std::uint16_t align = std::uint16_t(channels * (bits / 8));
    return Chunk("fmt ",
        Le16(0xFFFE) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits)
            + Le16(22) + Le16(validBits) + Le32(0) + Le16(subformat)
            + B("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71"));
}

inline std::string Riff(const std::string& chunks)
{
    return "RIFF" + Le32(std::uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}

inline fs::path DataFile(const std::string& name)
{
    return (fs::path(QUELLORN_TEST_DATA) / "wav" / name).make_preferred();
}

inline fs::path FlacFile(const std::string& name)
{
    return (fs::path(QUELLORN_TEST_DATA) / "flac" / name).make_preferred();
}

// Interleaved little-endian doubles from a file.
inline std::vector<double> ValuesIn(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> values(bytes.size() / sizeof(double));
    std::copy(bytes.begin(), bytes.begin() + std::ptrdiff_t(values.size() * sizeof(double)),
        reinterpret_cast<char*>(values.data()));
    return values;
}

// Interleaved doubles as sox decoded them.
inline std::vector<double> ExpectedValues(const std::string& name)
{
    return ValuesIn(DataFile(name));
}

class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        root = fs::temp_directory_path()
            / ("quellorn-test-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(root);
    }
    ~TempFolder()
    {
        std::error_code error;
        fs::remove_all(root, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path(const std::string& name) const { return (root / name).string(); }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(root / name, std::ios::binary) << bytes;
        return Path(name);
    }

    std::string Copy(const std::string& fixture, const std::string& name) const
    {
        return CopyFile(DataFile(fixture), name);
    }

    std::string CopyFile(const fs::path& from, const std::string& name) const
    {
        fs::copy_file(from, root / name, fs::copy_options::overwrite_existing);
        return Path(name);
    }

    fs::path root;
};

} // namespace WavTestFiles
