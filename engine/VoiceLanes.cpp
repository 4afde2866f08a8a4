#include "engine/VoiceLanes.h"

#include <atomic>
#include <cstdint>

#include <immintrin.h>

namespace {

// Where x lies between the two sample values, as the reference reads it: interpolated off
// the frame, the value itself on it (the neighbour may then be anything, an infinity
// included, so it must not enter the result). `between` has a bit for each lane off the
// frame.
inline __m128d Interpolate(__m128d here, __m128d next, __m128d frac, int between)
{
    const __m128d y = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(next, here), frac), here);
    if (__builtin_expect(between == 3, 1))
        return y;
    const __m128d off = _mm_cmpgt_pd(frac, _mm_setzero_pd());
    return _mm_or_pd(_mm_and_pd(off, y), _mm_andnot_pd(off, here));
}

// Count sustained voices over frames [0, frames & ~1), all clear of their sample's end.
// For each pair of frames the voices add their contributions to the partial sums in the
// order of `lanes`, and the sums are stored once. Returns the frames mixed.
template <int Count>
int MixPairs(Lane* lanes, double* left, double* right, int frames)
{
    __m128d pos[Count];
    __m128d step[Count];
    for (int k = 0; k < Count; ++k) {
        pos[k] = _mm_set_pd(lanes[k].pos + lanes[k].step, lanes[k].pos);
        step[k] = _mm_set1_pd(lanes[k].step);
    }
    const int covered = frames & ~1;
    for (int j = 0; j < covered; j += 2) {
        __m128d sumL = _mm_loadu_pd(left + j);
        __m128d sumR = _mm_loadu_pd(right + j);
        for (int k = 0; k < Count; ++k) {
            const Lane& v = lanes[k];
            // Positions below 2^31 truncate to the same whole frame as a 64-bit conversion.
            const __m128i whole = _mm_cvttpd_epi32(pos[k]);
            const __m128d frac = _mm_sub_pd(pos[k], _mm_cvtepi32_pd(whole));
            const int between = _mm_movemask_pd(_mm_cmpgt_pd(frac, _mm_setzero_pd()));
            const std::int64_t both = _mm_cvtsi128_si64(whole);
            const std::int32_t i0 = static_cast<std::int32_t>(both);
            const std::int32_t i1 = static_cast<std::int32_t>(both >> 32);
            const __m128d l0 = _mm_loadu_pd(v.plane0 + i0);
            const __m128d l1 = _mm_loadu_pd(v.plane0 + i1);
            const __m128d r0 = _mm_loadu_pd(v.plane1 + i0);
            const __m128d r1 = _mm_loadu_pd(v.plane1 + i1);
            const __m128d y = Interpolate(_mm_unpacklo_pd(l0, l1), _mm_unpackhi_pd(l0, l1), frac, between);
            const __m128d y2 = Interpolate(_mm_unpacklo_pd(r0, r1), _mm_unpackhi_pd(r0, r1), frac, between);
            sumL = _mm_add_pd(sumL, _mm_mul_pd(_mm_mul_pd(y, _mm_set1_pd(v.gain)), _mm_set1_pd(v.panL)));
            sumR = _mm_add_pd(sumR, _mm_mul_pd(_mm_mul_pd(y2, _mm_set1_pd(v.rightFirst)),
                                               _mm_set1_pd(v.rightSecond)));
            pos[k] = _mm_add_pd(_mm_add_pd(pos[k], step[k]), step[k]);
        }
        _mm_storeu_pd(left + j, sumL);
        _mm_storeu_pd(right + j, sumR);
    }
    for (int k = 0; k < Count; ++k)
        lanes[k].pos = _mm_cvtsd_f64(pos[k]);
    return covered;
}

#define QUELLORN_WIDE __attribute__((target("avx")))

// Two frames of one plane, [x[a], x[b]] here and [x[a + 1], x[b + 1]] next, twice over:
// a and b in the low half, c and d in the high half.
QUELLORN_WIDE inline void ReadWide(const double* x, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                   std::uint32_t d, __m256d& here, __m256d& next)
{
    const __m256d ac = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(x + a)), _mm_loadu_pd(x + c), 1);
    const __m256d bd = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(x + b)), _mm_loadu_pd(x + d), 1);
    here = _mm256_unpacklo_pd(ac, bd);
    next = _mm256_unpackhi_pd(ac, bd);
}

// The same as MixPairs with four frames to a register, on processors with AVX: the same
// operations per lane, so the same bits. The voices' factors are read from `lanes` in the
// loop rather than held in registers: the loop then needs no 256-bit spill slots, which
// the Windows compiler cannot align.
template <int Count>
QUELLORN_WIDE int MixQuads(Lane* lanes, double* left, double* right, int frames)
{
    __m256d pos[Count];
    for (int k = 0; k < Count; ++k) {
        const double p0 = lanes[k].pos;
        const double p1 = p0 + lanes[k].step;
        const double p2 = p1 + lanes[k].step;
        const double p3 = p2 + lanes[k].step;
        pos[k] = _mm256_set_pd(p3, p2, p1, p0);
    }
    const int covered = frames & ~3;
    for (int j = 0; j < covered; j += 4) {
        __m256d sumL = _mm256_loadu_pd(left + j);
        __m256d sumR = _mm256_loadu_pd(right + j);
#pragma GCC unroll 4
        for (int k = 0; k < Count; ++k) {
            const Lane& v = lanes[k];
            const __m128i whole = _mm256_cvttpd_epi32(pos[k]);
            const __m256d frac = _mm256_sub_pd(pos[k], _mm256_cvtepi32_pd(whole));
            const int between = _mm256_movemask_pd(_mm256_cmp_pd(frac, _mm256_setzero_pd(), _CMP_GT_OQ));
            // Positions are never negative here, so the indices read as unsigned: taking
            // the low half of a register then costs no instruction.
            const auto low = static_cast<std::uint64_t>(_mm_cvtsi128_si64(whole));
            const auto high = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(whole, whole)));
            const std::uint32_t i0 = static_cast<std::uint32_t>(low);
            const std::uint32_t i1 = static_cast<std::uint32_t>(low >> 32);
            const std::uint32_t i2 = static_cast<std::uint32_t>(high);
            const std::uint32_t i3 = static_cast<std::uint32_t>(high >> 32);
            __m256d here;
            __m256d next;
            __m256d here2;
            __m256d next2;
            ReadWide(v.plane0, i0, i1, i2, i3, here, next);
            ReadWide(v.plane1, i0, i1, i2, i3, here2, next2);
            __m256d y = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(next, here), frac), here);
            __m256d y2 = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(next2, here2), frac), here2);
            // On a whole frame the reference takes the value itself: the neighbour may then
            // be anything, an infinity included, so it must not enter the result.
            if (__builtin_expect(between != 15, 0)) {
                const __m256d off = _mm256_cmp_pd(frac, _mm256_setzero_pd(), _CMP_GT_OQ);
                y = _mm256_or_pd(_mm256_and_pd(off, y), _mm256_andnot_pd(off, here));
                y2 = _mm256_or_pd(_mm256_and_pd(off, y2), _mm256_andnot_pd(off, here2));
            }
            sumL = _mm256_add_pd(sumL, _mm256_mul_pd(_mm256_mul_pd(y, _mm256_loadu_pd(v.wide[0])),
                                                     _mm256_loadu_pd(v.wide[1])));
            sumR = _mm256_add_pd(sumR, _mm256_mul_pd(_mm256_mul_pd(y2, _mm256_loadu_pd(v.wide[2])),
                                                     _mm256_loadu_pd(v.wide[3])));
            const __m256d step = _mm256_loadu_pd(v.wide[4]);
            pos[k] = _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(_mm256_add_pd(pos[k], step), step), step), step);
        }
        _mm256_storeu_pd(left + j, sumL);
        _mm256_storeu_pd(right + j, sumR);
    }
    for (int k = 0; k < Count; ++k)
        lanes[k].pos = _mm256_cvtsd_f64(pos[k]);
    // Leave the upper halves clean so the SSE code that follows pays no transition.
    _mm256_zeroupper();
    return covered;
}

std::atomic<bool> wideAllowed{true};

bool WideAvailable()
{
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    return available;
}

template <int Count>
int MixTogether(Lane* lanes, double* left, double* right, int frames)
{
    if (WideAvailable() && wideAllowed.load(std::memory_order_relaxed))
        return MixQuads<Count>(lanes, left, right, frames);
    return MixPairs<Count>(lanes, left, right, frames);
}

} // namespace

int MixLanes(Lane* lanes, int count, double* left, double* right, int frames)
{
    static_assert(kMaxLanes == 4, "MixLanes dispatches up to four voices");
    switch (count) {
    case 1: return MixTogether<1>(lanes, left, right, frames);
    case 2: return MixTogether<2>(lanes, left, right, frames);
    case 3: return MixTogether<3>(lanes, left, right, frames);
    default: return MixTogether<4>(lanes, left, right, frames);
    }
}

void AllowWideMixing(bool allowed)
{
    wideAllowed.store(allowed, std::memory_order_relaxed);
}

bool WideMixingAvailable()
{
    return WideAvailable();
}
