// The process's one pseudo-random generator, shared by the interpreter, the
// click sound and the diphone voice.
#pragma once

#include <cstdint>

uint32_t randomNext(uint32_t n);   // 0 .. n-1 (0 when n is 0)
void randomSetSeed(uint32_t seed);
uint32_t randomSeed();
