// The process's one linear congruential generator (multiplier 134775813,
// increment 1, modulo 2^32).  Owns the seed; nothing else.
#include "platform/random.h"

namespace {
uint32_t seed = 0;
}

// Unsigned 32-bit arithmetic wraps modulo 2^32 by itself; the range is the
// high half of the 64-bit product, so no modulo bias toward small numbers.
uint32_t randomNext(uint32_t n) {
    seed = seed * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(seed) * n) >> 32);
}

void randomSetSeed(uint32_t value) { seed = value; }

uint32_t randomSeed() { return seed; }
