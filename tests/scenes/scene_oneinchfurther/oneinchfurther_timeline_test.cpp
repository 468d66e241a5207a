// The show's timeline keys the ruler so that it grows to its red, blinking "?" within the
// scene's stretch, with the newest segment always in view.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "scenes/scene_oneinchfurther/oneinchfurther.h"
#include "support/show_timeline.h"

TEST(OneInchFurtherTimeline, TheRulerGrowsToItsRedQuestionMarkInView)
{
    const gen::Timeline timeline = show_timeline::load();
    const show_timeline::Stretch stretch = show_timeline::stretch(timeline, "OneInchFurther");
    ASSERT_LT(stretch.first, stretch.end);

    const int last = 8; // the "?" segment
    int most_segments = 0;
    float red_beats = 0.0f; // beats in which the "?" shows fully red
    bool blinked = false;
    const float row = 1.0f / gen::ROWS_PER_BEAT;
    for (float beat : show_timeline::rows(stretch)) {
        auto value = [&](const char* name, float fallback) { return show_timeline::value(timeline, name, beat, fallback); };
        const float start = value("oiStart", 150.0f);
        const float interval = value("oiInterval", 4.0f);
        const float k = (beat - start) / interval;
        const int n = OneInchFurther::visible_segments(interval, k, last + 1);
        if (n == 0) continue;
        most_segments = std::max(most_segments, n);

        // The newest segment, in fractions of the width, against the scrolled view.
        const int newest = n - 1;
        const float x1 = static_cast<float>(newest) * 0.22f;
        float widths = 1.0f;
        if (newest == last) {
            const float f = k - static_cast<float>(n) + 1.0f;
            const float red = std::min(f * value("oiRedSpeed", 0.25f), 1.0f);
            widths = 1.0f + 1.54f * red;
            const float blink = value("oiBlinkSpeed", 0.5f);
            if (std::fmod(f, blink) > 0.5f * blink)
                blinked = true;
            else if (red >= 1.0f)
                red_beats += row;
        }
        const float left = std::min(beat - start, 8.0f) * value("oiScrollSpeed", 0.1f) - 0.625f;
        EXPECT_GE(x1 - left, 0.0f) << "segment " << newest << " off the left at beat " << beat;
        EXPECT_LE(x1 + 0.2f * widths - left, 1.0f) << "segment " << newest << " off the right at beat " << beat;
    }
    EXPECT_EQ(most_segments, last + 1);
    EXPECT_TRUE(blinked);
    EXPECT_GE(red_beats, 1.0f);
}
