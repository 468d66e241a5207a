// The show's timeline keys the credits so that all three blocks fade in and out within the
// scene's stretch, each at a place of its own on the screen.
#include <gtest/gtest.h>

#include "support/show_timeline.h"
#include "util/helpers/helpers.h"

TEST(KuCreditsTimeline, EveryBlockFadesInAndOutAtAPlaceOfItsOwn)
{
    const gen::Timeline timeline = show_timeline::load();
    const show_timeline::Stretch stretch = show_timeline::stretch(timeline, "KuCredits");
    ASSERT_LT(stretch.first, stretch.end);

    const char* const x_tracks[] = {"cr1X", "cr2X", "cr3X"};
    const char* const y_tracks[] = {"cr1Y", "cr2Y", "cr3Y"};
    float x[3], y[3];
    float full_beats[3] = {};
    float last_visible[3] = {};
    const float row = 1.0f / gen::ROWS_PER_BEAT;
    for (float beat : show_timeline::rows(stretch)) {
        auto value = [&](const char* name, float fallback) { return show_timeline::value(timeline, name, beat, fallback); };
        const float glow = value("crGlow", 0.0f);
        EXPECT_GE(glow, 0.0f);
        EXPECT_LE(glow, 1.0f);
        const float spacing = value("crSpacing", 0.1f);
        for (int i = 0; i < 3; ++i) {
            const float stagger = static_cast<float>(i) * value("crDelay", 1.0f);
            const float alpha = fade_envelope(beat, value("crStart", 200.0f) + stagger,
                                              value("crEnd", 220.0f) + stagger, value("crFadeSpeed", 2.0f));
            if (beat == stretch.first) {
                EXPECT_EQ(alpha, 0.0f) << "block " << i << " shows at the cut";
            }
            if (alpha >= 1.0f) full_beats[i] += row;
            if (alpha > 0.0f) last_visible[i] = beat;
            // Both lines on the screen, the role line's text (up to nine characters of a
            // 48-point monospaced face, about a fifth of the width) included.
            x[i] = value(x_tracks[i], 0.5f);
            y[i] = value(y_tracks[i], 0.5f);
            EXPECT_GE(x[i], 0.0f);
            EXPECT_LE(x[i] + 0.22f, 1.0f) << "block " << i;
            for (float line : {y[i], y[i] + spacing}) {
                EXPECT_GE(line, 0.0f) << "block " << i;
                EXPECT_LE(line + 0.05f, 1.0f) << "block " << i;
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(full_beats[i], 4.0f) << "block " << i;
        EXPECT_LT(last_visible[i], stretch.end - row) << "block " << i << " still shows at the cut";
        for (int j = 0; j < i; ++j)
            EXPECT_TRUE(std::abs(x[i] - x[j]) >= 0.25f || std::abs(y[i] - y[j]) >= 0.2f)
                << "blocks " << j << " and " << i << " overlap";
    }
}
