#include "tests/engine/SamplerFixture.h"

std::int32_t SamplerFixture::now = 0;
