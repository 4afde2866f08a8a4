// What a sample load costs the music: an audio thread processes 128-frame blocks at the pace
// of 44.1 kHz, with notes sounding, while another thread loads a 60-second stereo Ogg Vorbis
// file, a 60-second 24-bit stereo WAV file and the same as FLAC into slot 0, first as the editor does (a
// drop on the slot) and then as the host does (a state restore naming the file). Reports,
// per file and way, the time the load took, the longest block and the longest time the
// audio thread waited for the plug-in's lock. The files are made at start with sox and
// oggenc in a temporary folder (the WAV file in the plain PCM layout, as -t wavpcm writes it).
//
// A timing tool run by hand, not a test: load_while_playing [loads per case, default 3]
#include "editor/MySample.h"
#include "engine/Quellorn.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBlock = 128;
constexpr double kRate = 44100.0;

VstIntPtr QuietHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
    double loadMs = 0.0;
    double longestBlockMs = 0.0;
    double longestWaitMs = 0.0;
    int blocks = 0;
};

// Plays blocks at real-time pace until told to stop, recording each block's length and
// how long it waited before it held the lock.
class AudioThread {
public:
    explicit AudioThread(CLS_QUELLORN& plug) : plug(plug), worker([this] { Loop(); }) {}
    ~AudioThread()
    {
        stop = true;
        worker.join();
    }
    // Starts a new measurement and returns the one before.
    Figures Take()
    {
        std::lock_guard<std::mutex> guard(figuresLock);
        Figures taken = figures;
        figures = Figures();
        return taken;
    }

private:
    void Loop()
    {
        std::vector<float> left(kBlock), right(kBlock);
        float* outs[] = {left.data(), right.data()};
        AEffect* effect = plug.Effect();
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(kBlock / kRate));
        auto next = Clock::now();
        int block = 0;
        while (!stop) {
            // Two held notes, struck again now and then, keeps voices sounding in slot 0.
            if (block % 200 == 0) {
                VstMidiEvent notes[2] = {};
                VstEvents list{};
                list.numEvents = 2;
                for (int n = 0; n < 2; ++n) {
                    notes[n].type = kVstMidiType;
                    notes[n].byteSize = sizeof notes[n];
                    notes[n].midiData[0] = static_cast<char>(0x90);
                    notes[n].midiData[1] = static_cast<char>(48 + 7 * n);
                    notes[n].midiData[2] = 100;
                    list.events[n] = reinterpret_cast<VstEvent*>(&notes[n]);
                }
                effect->dispatcher(effect, effProcessEvents, 0, 0, &list, 0.0f);
            }
            const auto start = Clock::now();
            plug.Lock().lock(); // the block's own lock, taken again inside: no second wait
            const auto locked = Clock::now();
            effect->processReplacing(effect, nullptr, outs, kBlock);
            plug.Lock().unlock();
            const auto end = Clock::now();
            {
                std::lock_guard<std::mutex> guard(figuresLock);
                figures.longestWaitMs = std::max(figures.longestWaitMs, Ms(locked - start));
                figures.longestBlockMs = std::max(figures.longestBlockMs, Ms(end - start));
                ++figures.blocks;
            }
            ++block;
            next += period;
            if (next < end)
                next = end; // a late block is not made up for by rushing the next ones
            std::this_thread::sleep_until(next);
        }
    }

    CLS_QUELLORN& plug;
    std::atomic<bool> stop{false};
    std::mutex figuresLock;
    Figures figures;
    std::thread worker;
};

// A state chunk of the plug-in as it stands, with slot 0's entry naming `path`.
std::vector<unsigned char> StateNaming(CLS_QUELLORN& plug, const std::string& path)
{
    AEffect* effect = plug.Effect();
    void* data = nullptr;
    const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.0f);
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> chunk(bytes, bytes + 4 + 8 * kParamCount);
    const std::int32_t length = static_cast<std::int32_t>(path.size());
    chunk.insert(chunk.end(), reinterpret_cast<const unsigned char*>(&length),
                 reinterpret_cast<const unsigned char*>(&length) + 4);
    chunk.insert(chunk.end(), path.begin(), path.end());
    (void)size;
    for (int slot = 1; slot < kSlotCount; ++slot) {
        const unsigned char none[] = {1, 0, 0, 0, '0'};
        chunk.insert(chunk.end(), none, none + sizeof none);
    }
    return chunk;
}

} // namespace

int main(int argc, char** argv)
{
    const int loads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path folder
        = fs::temp_directory_path() / ("quellorn-loadplay-" + std::to_string(std::random_device()()));
    fs::create_directories(folder);
    const std::string wav = (folder / "long-24bit.wav").string();
    const std::string ogg = (folder / "long-stereo.ogg").string();
    const std::string flac = (folder / "long-24bit.flac").string();
    const std::string source = (folder / "source.wav").string();
    if (!Run("sox -q -n -r 44100 -c 2 -b 24 -t wavpcm '" + wav + "' synth 60 pinknoise vol 0.5")
        || !Run("sox -q -n -r 44100 -c 2 -b 16 '" + source + "' synth 60 pinknoise vol 0.5")
        || !Run("oggenc -Q -q 5 -o '" + ogg + "' '" + source + "'")
        || !Run("sox -q '" + wav + "' '" + flac + "'")) {
        std::fprintf(stderr, "making the files with sox and oggenc failed\n");
        fs::remove_all(folder);
        return 1;
    }
    fs::remove(source);

    auto plug = std::make_unique<CLS_QUELLORN>(QuietHost);
    AEffect* effect = plug->Effect();
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    effect->dispatcher(effect, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    plug->sampleDisplay[0]->LoadFile(wav.c_str()); // something to play from the start

    std::printf("%-26s %10s %16s %16s %8s\n", "load", "load ms", "longest block ms",
                "longest wait ms", "blocks");
    int status = 0;
    {
        AudioThread audio(*plug);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        struct Case {
            const char* name;
            const std::string& path;
            bool restore;
        } cases[] = {
            {"ogg, dropped on the slot", ogg, false},
            {"wav, dropped on the slot", wav, false},
            {"flac, dropped on the slot", flac, false},
            {"ogg, state restore", ogg, true},
            {"wav, state restore", wav, true},
            {"flac, state restore", flac, true},
        };
        for (const Case& c : cases) {
            const std::vector<unsigned char> state = StateNaming(*plug, c.path);
            for (int n = 0; n < loads; ++n) {
                audio.Take();
                const auto start = Clock::now();
                if (c.restore) {
                    std::vector<unsigned char> copy = state;
                    effect->dispatcher(effect, effSetChunk, 1, static_cast<VstIntPtr>(copy.size()),
                                       copy.data(), 0.0f);
                } else {
                    plug->sampleDisplay[0]->LoadFile(c.path.c_str());
                }
                const double loadMs = Ms(Clock::now() - start);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                const Figures f = audio.Take();
                const bool loaded = plug->slotSample[0].frames == 44100u * 60u
                    && std::strcmp(plug->StateTextAt(0), c.path.c_str()) == 0;
                if (!loaded)
                    status = 1;
                std::printf("%-26s %10.1f %16.3f %16.3f %8d%s\n", c.name, loadMs, f.longestBlockMs,
                            f.longestWaitMs, f.blocks, loaded ? "" : "  (load failed)");
            }
        }
    }
    plug.reset();
    fs::remove_all(folder);
    return status;
}
