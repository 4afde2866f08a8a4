// The libFuzzer side of one fuzz target; QUELLORN_FUZZ_TARGET names its entry in
// Targets(). A report from the entry is a failure the sanitizers can't see, so it ends
// the run like a crash and libFuzzer saves the input.
#include "fuzz/FuzzEntries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QuellornFuzz::Entry FindEntry()
{
    for (const QuellornFuzz::Target& target : QuellornFuzz::Targets())
        if (std::strcmp(target.name, QUELLORN_FUZZ_TARGET) == 0)
            return target.entry;
    std::fprintf(stderr, "no fuzz entry named %s\n", QUELLORN_FUZZ_TARGET);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QuellornFuzz::Entry entry = FindEntry();
    const std::string report = entry(data, size);
    if (!report.empty()) {
        std::fprintf(stderr, "fuzz_%s: %s\n", QUELLORN_FUZZ_TARGET, report.c_str());
        std::abort();
    }
    return 0;
}
