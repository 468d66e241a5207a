// The show's timeline bends the landscape of cube stacks and straightens it again within the
// scene's stretch, with the saturation swelling over it.
#include <algorithm>
#include <gtest/gtest.h>

#include "support/show_timeline.h"

TEST(SpectrumBoxesTimeline, TheLandscapeBendsAndStraightensAgain)
{
    const gen::Timeline timeline = show_timeline::load();
    const show_timeline::Stretch stretch = show_timeline::stretch(timeline, "SpectrumBoxes");
    ASSERT_LT(stretch.first, stretch.end);

    float most = 0.0f;
    float most_saturation = 0.0f;
    for (float beat : show_timeline::rows(stretch)) {
        const float angle = show_timeline::value(timeline, "sbAngle", beat, 0.0f);
        EXPECT_GE(angle, 0.0f) << beat;
        EXPECT_LE(angle, 1.0f) << beat;
        most = std::max(most, angle);
        if (show_timeline::value(timeline, "ppHsl", beat, -1.0f) >= 0.0f)
            most_saturation = std::max(most_saturation, show_timeline::value(timeline, "ppHslSaturate", beat, 0.0f));
    }
    EXPECT_EQ(show_timeline::value(timeline, "sbAngle", stretch.first, 0.0f), 0.0f) << "straight at the start";
    EXPECT_GE(most, 0.6f) << "bent well over";
    EXPECT_LT(show_timeline::value(timeline, "sbAngle", stretch.end - 1.0f, 0.0f), 0.05f) << "straight again at the end";
    EXPECT_GE(most_saturation, 0.5f);
}
