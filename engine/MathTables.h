// Gains and pitch factors for whole decibels and whole semitones, identical on every
// target (see scripts/gen-math-tables.py). Read-only; safe from any thread.
#pragma once

#include <cmath>

namespace MathTables {

constexpr int kDbMin = -48;
constexpr int kDbMax = 24;
constexpr double kDbFactor = 0.11512925464970228; // ln(10) / 20
constexpr int kSemiMin = -127 * 48;
constexpr int kSemiMax = 115 * 48;
constexpr double kSemiFactor = 0.08333333333333333; // 1 / 12

const double* VolumeGainTable();
const double* PitchFactorTable();

// e^(db * ln(10)/20); outside the table's range computed directly.
inline double VolumeGain(int db)
{
    if (db >= kDbMin && db <= kDbMax)
        return VolumeGainTable()[db - kDbMin];
    return std::exp(db * kDbFactor);
}

// 2^(semis / 12); outside the table's range computed directly.
inline double PitchFactor(int semis)
{
    if (semis >= kSemiMin && semis <= kSemiMax)
        return PitchFactorTable()[semis - kSemiMin];
    return std::pow(2.0, semis * kSemiFactor);
}

} // namespace MathTables
