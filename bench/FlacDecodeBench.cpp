// FLAC decoding: a 60-second stereo 24-bit file at 44.1 kHz, encoded at start by libFLAC at
// the flac tool's default level (5), decoded by our FlacReader into two planes of doubles,
// and loaded whole into a slot (header pass, folder scan, buffer, decode). Compare with the
// flac tool on the same file: set QUELLORN_FLAC_BENCH_FILE to a path and the file is
// written there and kept, e.g.
//
//   QUELLORN_FLAC_BENCH_FILE=/tmp/bench.flac flac_decode_bench
//   hyperfine 'flac -d -f -s -o /dev/null /tmp/bench.flac'
#include "editor/MySample.h"
#include "engine/Quellorn.h"
#include "samplefiles/FlacReader.h"

#include <FLAC/stream_encoder.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBits = 24;
constexpr std::uint32_t kFrames = kRate * 60;

// Something like music, not noise (which no codec compresses and no decoder meets in
// practice): a few partials whose levels wander, and a quiet noise floor.
std::vector<FLAC__int32> Signal()
{
    std::vector<FLAC__int32> values(std::size_t(kFrames) * kChannels);
    std::mt19937 random(24);
    std::normal_distribution<double> noise(0.0, 200.0);
    const double kPi = 3.14159265358979323846;
    const double partials[] = { 110.0, 220.5, 331.0, 443.0, 659.3, 1318.5 };
    for (std::uint32_t f = 0; f < kFrames; ++f) {
        const double t = double(f) / kRate;
        for (int c = 0; c < kChannels; ++c) {
            double v = 0.0;
            for (int p = 0; p < 6; ++p) {
                const double level = 0.5 + 0.5 * std::sin(2 * kPi * (0.1 + 0.07 * p + 0.05 * c) * t);
                v += level * std::sin(2 * kPi * partials[p] * (1.0 + 0.001 * c) * t) / 6.0;
            }
            values[std::size_t(f) * kChannels + std::size_t(c)]
                = static_cast<FLAC__int32>(std::lround(v * 6000000.0 + noise(random)));
        }
    }
    return values;
}

bool Encode(const std::string& path)
{
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    if (!encoder)
        return false;
    FLAC__stream_encoder_set_channels(encoder, kChannels);
    FLAC__stream_encoder_set_bits_per_sample(encoder, kBits);
    FLAC__stream_encoder_set_sample_rate(encoder, kRate);
    FLAC__stream_encoder_set_compression_level(encoder, 5);
    FLAC__stream_encoder_set_total_samples_estimate(encoder, kFrames);
    bool ok = FLAC__stream_encoder_init_file(encoder, path.c_str(), nullptr, nullptr)
        == FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    if (ok) {
        const std::vector<FLAC__int32> values = Signal();
        ok = FLAC__stream_encoder_process_interleaved(encoder, values.data(), kFrames);
    }
    ok = FLAC__stream_encoder_finish(encoder) && ok;
    FLAC__stream_encoder_delete(encoder);
    return ok;
}

struct File {
    File()
    {
        const char* chosen = std::getenv("QUELLORN_FLAC_BENCH_FILE");
        keep = chosen && chosen[0];
        if (keep) {
            path = chosen;
        } else {
            folder = fs::temp_directory_path()
                / ("quellorn-flacbench-" + std::to_string(std::random_device()()));
            fs::create_directories(folder);
            path = (folder / "long.flac").string();
        }
        ok = Encode(path);
    }
    ~File()
    {
        std::error_code error;
        if (!keep)
            fs::remove_all(folder, error);
    }
    fs::path folder;
    std::string path;
    bool keep = false;
    bool ok = false;
};

const File& TheFile()
{
    static File file;
    return file;
}

void Label(benchmark::State& state, const std::string& path)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations())
        * static_cast<std::int64_t>(fs::file_size(path)));
    state.counters["seconds/s"] = benchmark::Counter(
        double(state.iterations()) * double(kFrames) / kRate, benchmark::Counter::kIsRate);
}

void BM_FlacReader(benchmark::State& state)
{
    const File& file = TheFile();
    if (!file.ok) {
        state.SkipWithError("encoding failed");
        return;
    }
    std::vector<double> planes(std::size_t(kFrames) * 2);
    for (auto _ : state) {
        FlacReader reader;
        if (!reader.Open(file.path.c_str(), ~std::uint64_t(0))
            || reader.Read(planes.data(), planes.data() + kFrames, kFrames) != kFrames) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(planes.data());
    }
    Label(state, file.path);
}

VstIntPtr QuietHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

void BM_FlacLoadIntoSlot(benchmark::State& state)
{
    const File& file = TheFile();
    if (!file.ok) {
        state.SkipWithError("encoding failed");
        return;
    }
    auto plug = std::make_unique<CLS_QUELLORN>(QuietHost);
    plug->Effect()->dispatcher(plug->Effect(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
    plug->Effect()->dispatcher(plug->Effect(), effOpen, 0, 0, nullptr, 0.0f);
    for (auto _ : state) {
        plug->sampleDisplay[0]->LoadFile(file.path.c_str());
        if (plug->slotSample[0].frames != kFrames) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(plug->slotSample[0].samples.data());
    }
    Label(state, file.path);
}

} // namespace

BENCHMARK(BM_FlacReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlacLoadIntoSlot)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
