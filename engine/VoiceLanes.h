// The shared frame loops of the renderer: up to four sustained voices mixed together, their
// frames side by side in SSE2 registers (two frames) or, where the processor has AVX, in
// AVX registers (four frames), with the same bits either way as mixing each voice alone.
#pragma once

constexpr int kMaxLanes = 4;

// A voice's part in the shared loops, which take frames two or four at a time, one frame
// per lane: positions, samples and contributions of consecutive frames side by side, so
// the lanes line up with the outputs' frames as they lie in memory.
//
// Every lane repeats the reference's additions: [pos(j), pos(j + 1)] plus the step gives
// [pos(j + 1), pos(j + 2)], plus the step again [pos(j + 2), pos(j + 3)], each lane the
// same rounded sum a voice alone would reach.
struct Lane {
    const double* plane0;
    const double* plane1; // plane 0 again for a mono voice
    double pos;
    double step;
    // Left is panL * (y * gain); multiplication commutes exactly, so y * gain * panL gives
    // the same number. Right is y2 * panR * gain for stereo, panR * (y * gain) for mono.
    double gain;
    double panL;
    double rightFirst;
    double rightSecond;
    // The five factors above (gain, panL, rightFirst, rightSecond, step), each repeated
    // across a 256-bit register's lanes: the wide loop reads them as memory operands of
    // its arithmetic rather than broadcasting each in a separate instruction. Plain
    // doubles, read unaligned, so no local needs 32-byte alignment.
    double wide[5][4];
};

// Mixes `count` (1 to kMaxLanes) voices, in the order given, over frames [0, n) of the
// outputs, where n is `frames` rounded down to the loop's width; moves each lane's position
// on and returns n. Every position must stay below 2^31 and clear of its sample's last
// frame for all `frames`.
int MixLanes(Lane* lanes, int count, double* left, double* right, int frames);

// Tests turn the AVX loops off to check the SSE2 ones on any machine; the setting is
// process-wide and meant to be changed only between blocks.
void AllowWideMixing(bool allowed);
bool WideMixingAvailable();
