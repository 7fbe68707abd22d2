// Bodies of the fuzz targets, shared by the libFuzzer programs and by the
// test that replays the corpus.
#pragma once

#include <cstddef>
#include <cstdint>

void fuzzLine(const uint8_t* data, size_t size);
void fuzzExpression(const uint8_t* data, size_t size);
void fuzzCondition(const uint8_t* data, size_t size);
