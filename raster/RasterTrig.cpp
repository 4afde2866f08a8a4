#include "raster/RasterTrig.h"

#include <cstdint>

namespace RasterTrig {

namespace {

// pi/2 split so that k x kHalfPiHigh is exact for every k the range allows.
constexpr double kTwoOverPi = 0.63661977236758134308;
constexpr double kHalfPiHigh = 1.5707963267341256;
constexpr double kHalfPiLow = 6.0771005065061922e-11;

// Taylor series on |r| <= pi/4, Horner's order; the first dropped term is below 1e-16.
double SinPoly(double r)
{
    const double r2 = r * r;
    double p = -1.0 / 1307674368000.0; // -1/15!
    p = p * r2 + 1.0 / 6227020800.0;
    p = p * r2 - 1.0 / 39916800.0;
    p = p * r2 + 1.0 / 362880.0;
    p = p * r2 - 1.0 / 5040.0;
    p = p * r2 + 1.0 / 120.0;
    p = p * r2 - 1.0 / 6.0;
    return r + r * r2 * p;
}

double CosPoly(double r)
{
    const double r2 = r * r;
    double p = 1.0 / 20922789888000.0; // 1/16!
    p = p * r2 - 1.0 / 87178291200.0;
    p = p * r2 + 1.0 / 479001600.0;
    p = p * r2 - 1.0 / 3628800.0;
    p = p * r2 + 1.0 / 40320.0;
    p = p * r2 - 1.0 / 720.0;
    p = p * r2 + 1.0 / 24.0;
    p = p * r2 - 0.5;
    return 1.0 + r2 * p;
}

} // namespace

bool PortableSinCos(double angle, SinCos& out)
{
    if (!(angle <= kMaxAngle && angle >= -kMaxAngle))
        return false;
    // Nearest multiple of pi/2, rounded half away from zero by truncating.
    const double kd = angle * kTwoOverPi;
    const std::int64_t k = static_cast<std::int64_t>(kd >= 0.0 ? kd + 0.5 : kd - 0.5);
    const double r = (angle - double(k) * kHalfPiHigh) - double(k) * kHalfPiLow;
    const double s = SinPoly(r), c = CosPoly(r);
    switch (((k % 4) + 4) % 4) {
    case 0:
        out = { s, c };
        break;
    case 1:
        out = { c, -s };
        break;
    case 2:
        out = { -s, -c };
        break;
    default:
        out = { -c, s };
        break;
    }
    return true;
}

} // namespace RasterTrig
