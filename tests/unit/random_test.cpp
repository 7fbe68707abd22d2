#include <gtest/gtest.h>

#include "platform/random.h"

namespace {

// The seed wraps modulo 2^32 and the draw needs the full 64-bit product:
// 4160191484 * 1000 does not fit 32 bits.
TEST(Random, StepWrapsAndScalesByTheHighHalf) {
    randomSetSeed(0xFFFFFFFFu);
    EXPECT_EQ(randomNext(1000), 968u);
    EXPECT_EQ(randomSeed(), 4160191484u);
    randomSetSeed(0);
    EXPECT_EQ(randomNext(0xFFFFFFFFu), 0u);   // seed 1: 0xFFFFFFFF >> 32
    EXPECT_EQ(randomSeed(), 1u);
    EXPECT_EQ(randomNext(0), 0u);
}

}  // namespace
