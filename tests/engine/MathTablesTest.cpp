// The generated gain and pitch tables hold what the Linux C library computes, so the
// Linux build loses nothing by reading them and the Windows build gains glibc's bits.
#include "engine/MathTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

TEST(MathTables, CoverEveryWholeDecibelAndSemitoneTheEngineUses)
{
    EXPECT_EQ(MathTables::VolumeGain(0), 1.0);
    EXPECT_EQ(MathTables::PitchFactor(0), 1.0);
    EXPECT_EQ(MathTables::PitchFactor(12), 2.0);
    EXPECT_EQ(MathTables::PitchFactor(-24), 0.25);
    EXPECT_NEAR(MathTables::VolumeGain(-48), std::pow(10.0, -48 / 20.0), 1e-15);
    EXPECT_NEAR(MathTables::PitchFactor(7), std::pow(2.0, 7 / 12.0), 1e-15);
    // Past the table the value is computed, and still continuous with it.
    EXPECT_NEAR(MathTables::VolumeGain(25) / MathTables::VolumeGain(24), std::pow(10.0, 0.05),
                1e-12);
}

#if defined(__GLIBC__)
bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(MathTables, HoldExactlyWhatGlibcComputes)
{
    for (int db = MathTables::kDbMin; db <= MathTables::kDbMax; ++db) {
        ASSERT_TRUE(SameBits(MathTables::VolumeGain(db), std::exp(db * MathTables::kDbFactor)))
            << db << " dB";
    }
    for (int s = MathTables::kSemiMin; s <= MathTables::kSemiMax; ++s) {
        ASSERT_TRUE(SameBits(MathTables::PitchFactor(s), std::pow(2.0, s * MathTables::kSemiFactor)))
            << s << " semitones";
    }
}
#endif

} // namespace
