// The show's timeline keys the temperature scene so that each of its three rows shows with
// its cow fully faded in, in order from the coldest.
#include <gtest/gtest.h>

#include <cmath>

#include "support/show_timeline.h"

TEST(KuTempTimeline, AllThreeRowsShowWithTheirCows)
{
    const gen::Timeline timeline = show_timeline::load();
    const auto stretch = show_timeline::stretch(timeline, "KuTemp");
    ASSERT_LT(stretch.first, stretch.end);
    float shown[3] = {0.0f, 0.0f, 0.0f}; // unfaded beats of each row with its cow at full
    int last_row = 0;
    for (float beat : show_timeline::rows(stretch)) {
        const float progress = show_timeline::value(timeline, "ktProgress", beat, 0.0f);
        const float fade = show_timeline::value(timeline, "ktPicFade", beat, 0.0f);
        ASSERT_GE(progress, 0.0f) << beat;
        ASSERT_LT(progress, 3.0f) << beat;
        const int row = static_cast<int>(progress);
        EXPECT_GE(row, last_row) << "the rows go back at beat " << beat;
        last_row = row;
        // A new row comes in under a faded-out cow.
        if (row != static_cast<int>(show_timeline::value(timeline, "ktProgress", beat - 0.125f, 0.0f))) {
            EXPECT_LE(fade, 0.05f) << "the cow switches while visible at beat " << beat;
        }
        const bool faded = std::fabs(show_timeline::value(timeline, "ppFadeValue", beat, 0.0f)) > 0.05f;
        if (!faded && fade >= 0.99f) shown[row] += 1.0f / gen::ROWS_PER_BEAT;
    }
    for (int row = 0; row < 3; ++row)
        EXPECT_GE(shown[row], 4.0f) << "row " << row;
}
