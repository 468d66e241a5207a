// The show's timeline keys the robot so that it comes up and its glow pumps on every beat of
// its stretch.
#include <gtest/gtest.h>

#include "support/show_timeline.h"

TEST(RobotKuTimeline, TheRobotShowsAndItsGlowPumpsOnTheBeat)
{
    const gen::Timeline timeline = show_timeline::load();
    const auto stretch = show_timeline::stretch(timeline, "RobotKu");
    ASSERT_LT(stretch.first + 8.0f, stretch.end);
    auto robot = [&](float beat) { return show_timeline::value(timeline, "rkOrgStr", beat, 1.0f); };
    auto glow = [&](float beat) { return show_timeline::value(timeline, "rkGlowStr", beat, 1.0f); };

    // Full strength well inside the stretch and never negative.
    EXPECT_GE(robot(stretch.first + 8.0f), 0.99f);
    for (float beat : show_timeline::rows(stretch)) {
        EXPECT_GE(robot(beat), 0.0f) << beat;
        EXPECT_GE(glow(beat), 0.0f) << beat;
    }
    // Strongest on each beat, clearly weaker half a beat later.
    for (float beat = stretch.first + 1.0f; beat + 1.0f < stretch.end; beat += 1.0f) {
        EXPECT_GE(glow(beat), 0.9f) << beat;
        EXPECT_LE(glow(beat + 0.5f), glow(beat) - 0.5f) << beat;
    }
}
