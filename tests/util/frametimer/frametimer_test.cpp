#include "util/frametimer/frametimer.h"

#include <gtest/gtest.h>

namespace {

// A microsecond counter under the test's control. Every read moves it on by one tick once
// `stalled_reads` reads of the same value have been served, so a busy wait on it ends.
std::int64_t g_now = 0;
int g_stalled_reads = 0;
int g_reads_at_value = 0;
bool g_has_frequency = true;

int fake_counter(LARGE_INTEGER* value)
{
    value->QuadPart = g_now;
    if (++g_reads_at_value > g_stalled_reads) {
        ++g_now;
        g_reads_at_value = 0;
    }
    return 1;
}

int fake_frequency(LARGE_INTEGER* value)
{
    value->QuadPart = g_has_frequency ? 1000000 : 0;
    return 1;
}

class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_now = 5000000;
        g_stalled_reads = 0;
        g_reads_at_value = 0;
        g_has_frequency = true;
        FrameTimer::set_clock(fake_counter, fake_frequency);
    }
    void TearDown() override { FrameTimer::set_clock(QueryPerformanceCounter, QueryPerformanceFrequency); }

    static void tick_after(double seconds)
    {
        g_now += static_cast<std::int64_t>(seconds * 1e6);
        FrameTimer::tick();
    }
};

} // namespace

TEST_F(FrameTimerTest, AverageOfFiveCappedFrames)
{
    FrameTimer::init();
    EXPECT_EQ(FrameTimer::frame_delta(), 0.0f);
    tick_after(3.0); // a long start-up: the first frame counts as 0.25 s
    EXPECT_NEAR(FrameTimer::frame_delta(), 0.25 * 0.2, 1e-4);
    for (int i = 0; i < 4; ++i) tick_after(0.010);
    EXPECT_NEAR(FrameTimer::frame_delta(), (0.25 + 4 * 0.010) / 5, 1e-4);
    tick_after(0.010); // the long frame leaves the ring
    EXPECT_NEAR(FrameTimer::frame_delta(), 0.010, 1e-4);
    tick_after(2.0); // a frame of 2 s counts as 0.25 s
    EXPECT_NEAR(FrameTimer::frame_delta(), (4 * 0.010 + 0.25) / 5, 1e-4);
}

TEST_F(FrameTimerTest, SecondsSinceInitAndMillisecondFallback)
{
    FrameTimer::init();
    g_now += 1500000;
    EXPECT_NEAR(FrameTimer::seconds(), 1.5, 1e-5);

    // Without a counter frequency a tick is a millisecond and the count starts at 0.
    g_has_frequency = false;
    FrameTimer::set_clock(fake_counter, fake_frequency);
    FrameTimer::init();
    g_now = 2500;
    EXPECT_NEAR(FrameTimer::seconds(), 2.5, 1e-5);
}

TEST_F(FrameTimerTest, StalledClockNeverGivesZeroFrameAndTickBeforeInitIsDefined)
{
    g_stalled_reads = 50;
    FrameTimer::tick(); // no init: the timer starts here
    float first = FrameTimer::frame_delta();
    EXPECT_GT(first, 0.0f);
    EXPECT_LT(first, 1e-4f);
    FrameTimer::tick(); // the clock has not moved on: the tick waits until it does
    EXPECT_GT(FrameTimer::frame_delta(), first);
}
