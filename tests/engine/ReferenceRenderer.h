// The renderer written the plain way: frame by frame, every voice in turn, exactly in the
// documented order of operations. It is the oracle the production renderer, which works a
// voice at a time, must match bit for bit.
#pragma once

class CLS_QUELLORN;

void ReferenceRenderBlock(CLS_QUELLORN& plug, double** outputs, int frames);
