// The show's timeline bends the landscape of cube stacks and straightens it again within the
// scene's stretch, with the saturation swelling over it.
#include <algorithm>
#include <gtest/gtest.h>

#include "support/timeline_values.h"

TEST(SpectrumBoxesTimeline, TheLandscapeBendsAndStraightensAgain)
{
    gen::Timeline timeline;
    std::string error;
    ASSERT_TRUE(gen::load_timeline(SHOW_TIMELINE_PATH, timeline, error)) << error;
    const Stretch stretch = scene_stretch(timeline, 9);
    ASSERT_LT(stretch.first, stretch.end);

    float most = 0.0f;
    float most_saturation = 0.0f;
    const float row = 1.0f / gen::ROWS_PER_BEAT;
    for (float beat = stretch.first; beat < stretch.end; beat += row) {
        const float angle = timeline_value(timeline, "sbAngle", beat, 0.0f);
        EXPECT_GE(angle, 0.0f) << beat;
        EXPECT_LE(angle, 1.0f) << beat;
        most = std::max(most, angle);
        if (timeline_value(timeline, "ppHsl", beat, -1.0f) >= 0.0f)
            most_saturation = std::max(most_saturation, timeline_value(timeline, "ppHslSaturate", beat, 0.0f));
    }
    EXPECT_EQ(timeline_value(timeline, "sbAngle", stretch.first, 0.0f), 0.0f) << "straight at the start";
    EXPECT_GE(most, 0.6f) << "bent well over";
    EXPECT_LT(timeline_value(timeline, "sbAngle", stretch.end - 1.0f, 0.0f), 0.05f) << "straight again at the end";
    EXPECT_GE(most_saturation, 0.5f);
}
