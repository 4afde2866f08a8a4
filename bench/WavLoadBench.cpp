// WAV loading in megabytes of file data per second: 60-second stereo files at 44.1 kHz in
// each encoding the sampler reads, written to a temporary folder at start. Three ways of
// reading the same files: our WavReader (open, convert every value, close), libsndfile's
// sf_readf_double as the yardstick, and the whole load of a slot (header pass, folder
// scan, buffer allocation, decode and split into planes) through MySample::LoadFile.
#include "editor/MySample.h"
#include "engine/Quellorn.h"
#include "samplefiles/WavReader.h"

#include <benchmark/benchmark.h>
#ifdef QUELLORN_BENCH_SNDFILE
#include <sndfile.h>
#endif

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr std::uint32_t kFrames = kRate * 60;

struct Encoding {
    const char* name;
    std::uint16_t tag;
    std::uint16_t bits;
};

constexpr Encoding kEncodings[] = {
    { "pcm8", 1, 8 },
    { "pcm16", 1, 16 },
    { "pcm24", 1, 24 },
    { "float32", 3, 32 },
    { "float64", 3, 64 },
};

void Put(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

// A plain WAV file of noise: random bytes for integer PCM, random values in -1..1 for
// float, so no conversion meets a special case it could skip.
std::string MakeFile(const fs::path& folder, const Encoding& e)
{
    const std::uint32_t valueBytes = e.bits / 8u;
    const std::uint32_t dataBytes = kFrames * kChannels * valueBytes;
    std::string bytes = "RIFF";
    Put(bytes, 36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    Put(bytes, 16, 4);
    Put(bytes, e.tag, 2);
    Put(bytes, kChannels, 2);
    Put(bytes, kRate, 4);
    Put(bytes, kRate * kChannels * valueBytes, 4);
    Put(bytes, kChannels * valueBytes, 2);
    Put(bytes, e.bits, 2);
    bytes += "data";
    Put(bytes, dataBytes, 4);
    std::mt19937 random(e.bits);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const std::size_t values = std::size_t(kFrames) * kChannels;
    for (std::size_t i = 0; i < values; ++i) {
        if (e.bits == 32) {
            const float v = static_cast<float>(unit(random));
            bytes.append(reinterpret_cast<const char*>(&v), 4);
        } else if (e.bits == 64) {
            const double v = unit(random);
            bytes.append(reinterpret_cast<const char*>(&v), 8);
        } else {
            Put(bytes, random(), static_cast<int>(valueBytes));
        }
    }
    const fs::path path = folder / (std::string(e.name) + ".wav");
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path.string();
}

struct Files {
    Files()
    {
        folder = fs::temp_directory_path()
            / ("quellorn-wavbench-" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        for (const Encoding& e : kEncodings)
            paths.push_back(MakeFile(folder, e));
    }
    ~Files()
    {
        std::error_code error;
        fs::remove_all(folder, error);
    }
    fs::path folder;
    std::vector<std::string> paths;
};

const std::string& PathOf(const benchmark::State& state)
{
    static Files files;
    return files.paths[static_cast<std::size_t>(state.range(0))];
}

void Label(benchmark::State& state, const std::string& path)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations())
        * static_cast<std::int64_t>(fs::file_size(path)));
    state.SetLabel(kEncodings[state.range(0)].name);
}

void BM_WavReader(benchmark::State& state)
{
    const std::string& path = PathOf(state);
    std::vector<double> values(std::size_t(kFrames) * kChannels);
    for (auto _ : state) {
        WavReader reader;
        if (!reader.Open(path.c_str())
            || reader.Read(values.data(), values.size()) != values.size()) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(values.data());
    }
    Label(state, path);
}

#ifdef QUELLORN_BENCH_SNDFILE
void BM_Sndfile(benchmark::State& state)
{
    const std::string& path = PathOf(state);
    std::vector<double> values(std::size_t(kFrames) * kChannels);
    for (auto _ : state) {
        SF_INFO info {};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        if (!file || sf_readf_double(file, values.data(), kFrames) != kFrames) {
            state.SkipWithError("read failed");
            if (file)
                sf_close(file);
            break;
        }
        sf_close(file);
        benchmark::DoNotOptimize(values.data());
    }
    Label(state, path);
}
#endif

VstIntPtr QuietHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

void BM_LoadIntoSlot(benchmark::State& state)
{
    const std::string& path = PathOf(state);
    auto plug = std::make_unique<CLS_QUELLORN>(QuietHost);
    plug->Effect()->dispatcher(plug->Effect(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
    plug->Effect()->dispatcher(plug->Effect(), effOpen, 0, 0, nullptr, 0.0f);
    for (auto _ : state) {
        plug->sampleDisplay[0]->LoadFile(path.c_str());
        if (plug->slotSample[0].frames != kFrames) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(plug->slotSample[0].samples.data());
    }
    Label(state, path);
}

void Encodings(benchmark::internal::Benchmark* b)
{
    for (int i = 0; i < int(std::size(kEncodings)); ++i)
        b->Arg(i);
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_WavReader)->Apply(Encodings);
#ifdef QUELLORN_BENCH_SNDFILE
BENCHMARK(BM_Sndfile)->Apply(Encodings);
#endif
BENCHMARK(BM_LoadIntoSlot)->Apply(Encodings);

BENCHMARK_MAIN();
