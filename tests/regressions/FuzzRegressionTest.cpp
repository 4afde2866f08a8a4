// Every input that ever made a fuzz target fail (tests/data/regressions/fuzz_<target>/) and
// the targets' seeds (fuzz/corpus/fuzz_<target>/), replayed through the entry the fuzzer
// calls. In the sanitizer build a memory error or undefined behaviour fails the replay as
// it failed the fuzzer; in every build the entry's own checks must pass.
#include "fuzz/FuzzEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct SavedInput {
    std::string target;
    std::string kind; // "regression" or "seed"
    fs::path path;
    QuellornFuzz::Entry entry;
};

void PrintTo(const SavedInput& input, std::ostream* out)
{
    *out << "fuzz_" << input.target << " " << input.kind << " " << input.path.string();
}

fs::path RegressionFolder(const std::string& target)
{
    return fs::path(QUELLORN_TEST_DATA) / "regressions" / ("fuzz_" + target);
}

fs::path SeedFolder(const std::string& target)
{
    return fs::path(QUELLORN_TEST_DATA) / ".." / ".." / "fuzz" / "corpus" / ("fuzz_" + target);
}

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file())
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<SavedInput> SavedInputs()
{
    std::vector<SavedInput> inputs;
    for (const QuellornFuzz::Target& target : QuellornFuzz::Targets()) {
        for (const fs::path& file : FilesIn(RegressionFolder(target.name)))
            inputs.push_back({target.name, "regression", file, target.entry});
        for (const fs::path& file : FilesIn(SeedFolder(target.name)))
            inputs.push_back({target.name, "seed", file, target.entry});
    }
    return inputs;
}

std::string TestName(const ::testing::TestParamInfo<SavedInput>& info)
{
    std::string name = info.param.target + "_" + info.param.kind + "_"
        + info.param.path.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

class FuzzReplay : public ::testing::TestWithParam<SavedInput> {};

TEST_P(FuzzReplay, PassesTheEntrysChecks)
{
    std::ifstream in(GetParam().path, std::ios::binary);
    ASSERT_TRUE(in) << GetParam().path.string();
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    EXPECT_EQ(GetParam().entry(bytes.data(), bytes.size()), "");
}

INSTANTIATE_TEST_SUITE_P(Saved, FuzzReplay, ::testing::ValuesIn(SavedInputs()), TestName);

// A target without seeds would start from nothing, and this suite would not replay it.
TEST(FuzzSeeds, EveryTargetHasSeeds)
{
    for (const QuellornFuzz::Target& target : QuellornFuzz::Targets())
        EXPECT_FALSE(FilesIn(SeedFolder(target.name)).empty()) << "fuzz_" << target.name;
}

} // namespace
