// Sine and cosine computed the same way by every build: a fixed range reduction and Taylor
// polynomials in IEEE double arithmetic (adds and multiplies only, no fused multiply-add),
// instead of the C library's sin and cos, which the Linux and the Windows runtime compute
// differently in the last bits. The rotated blit turns its angle into pixels through these.
//
// Pure functions, any thread.
#pragma once

namespace RasterTrig {

// Angles beyond this (radians) are refused: the range reduction loses its precision there.
constexpr double kMaxAngle = 1.0e6;

struct SinCos {
    double sine = 0.0;
    double cosine = 1.0;
};

// False (and out untouched) for NaN, infinities and angles beyond kMaxAngle. Accurate to a
// few units in the last place of a double.
bool PortableSinCos(double angle, SinCos& out);

} // namespace RasterTrig
