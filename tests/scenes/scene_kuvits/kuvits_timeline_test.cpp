// The show's timeline keys the cow joke so that the question and then the punch line show,
// each for a while, and the panel stays on the screen.
#include <gtest/gtest.h>

#include <cmath>

#include "support/show_timeline.h"

TEST(KuVitsTimeline, QuestionThenPunchLineBothOnTheScreen)
{
    const gen::Timeline timeline = show_timeline::load();
    const auto stretch = show_timeline::stretch(timeline, "KuVits");
    ASSERT_LT(stretch.first, stretch.end);
    const float show_aspect = 16.0f / 9.0f, panel_aspect = 4.0f / 3.0f; // the panels are 800 x 600
    float question_beats = 0.0f, punch_line_beats = 0.0f;
    bool punch_line_seen = false;
    for (float beat : show_timeline::rows(stretch)) {
        const float progress = show_timeline::value(timeline, "kvProgress", beat, 0.0f);
        const float x = show_timeline::value(timeline, "kvX", beat, 0.1f);
        const float y = show_timeline::value(timeline, "kvY", beat, 0.3f);
        const float w = show_timeline::value(timeline, "kvSize", beat, 0.8f);
        const float h = w * show_aspect / panel_aspect;
        EXPECT_GE(x, 0.0f) << beat;
        EXPECT_LE(x + w, 1.0f) << beat;
        EXPECT_GE(y, 0.0f) << beat;
        EXPECT_LE(y + h, 1.0f) << beat;
        // Unfaded beats only: the show fades each stretch in and out.
        const bool faded = std::fabs(show_timeline::value(timeline, "ppFadeValue", beat, 0.0f)) > 0.05f;
        if (progress >= 1.0f) {
            punch_line_seen = true;
            if (!faded) punch_line_beats += 1.0f / gen::ROWS_PER_BEAT;
        } else {
            EXPECT_FALSE(punch_line_seen) << "the question comes back at beat " << beat;
            if (!faded) question_beats += 1.0f / gen::ROWS_PER_BEAT;
        }
    }
    EXPECT_GE(question_beats, 8.0f);
    EXPECT_GE(punch_line_beats, 4.0f);
}
