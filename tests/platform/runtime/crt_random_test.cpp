#include "platform/runtime/crt_random.h"

#include <gtest/gtest.h>

TEST(CrtRandom, SeedOneGivesTheRunTimeSequence)
{
    crt_srand(1);
    EXPECT_EQ(crt_rand(), 41);
    EXPECT_EQ(crt_rand(), 18467);
    EXPECT_EQ(crt_rand(), 6334);
    EXPECT_EQ(crt_rand(), 26500);
}

TEST(CrtRandom, StaysInFifteenBits)
{
    crt_srand(0xDEADBEEF);
    for (int i = 0; i < 100000; ++i) {
        int value = crt_rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, CRT_RAND_MAX);
    }
}
