#include "scenes/scene_kucredits/kucredits.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/flat_scene_fixture.h"

namespace {

const std::vector<std::string> TRACKS = {"crGlow", "crStart", "crEnd", "crFadeSpeed", "crDelay", "crSpacing",
                                         "cr1X",   "cr1Y",    "cr2X",  "cr2Y",        "cr3X",    "cr3Y"};

const Rgb MOON = {60, 90, 120};
const char* const ROLES[] = {"graphics:", "code:", "music:"};

class KuCreditsTest : public FlatSceneTest {
protected:
    void start_scene(const std::map<std::string, float>& values = {})
    {
        write_picture("data/kucredits/kyr_maane.png", 32, 18, MOON);
        start(new KuCredits(), TRACKS, values);
    }
};

} // namespace

TEST_F(KuCreditsTest, RegistersItsTracksInOrderWithTheirDefaults)
{
    start_scene();
    const float defaults[] = {0.0f, 200.0f, 220.0f, 2.0f, 1.0f, 0.1f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    ASSERT_EQ(music->sync_tracks.size(), TRACKS.size());
    for (size_t i = 0; i < TRACKS.size(); ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACKS[i]);
        EXPECT_EQ(music->get_sync_value(TRACKS[i]), defaults[i]) << TRACKS[i];
    }
}

TEST_F(KuCreditsTest, TheBlocksFadeInAndOutOneAfterAnother)
{
    start_scene();
    const struct {
        float beat;
        float alpha[3];
    } cases[] = {
        {150.0f, {0.0f, 0.0f, 0.0f}}, {199.0f, {0.5f, 0.0f, 0.0f}}, {200.0f, {1.0f, 0.5f, 0.0f}},
        {202.0f, {1.0f, 1.0f, 1.0f}}, {221.0f, {0.5f, 1.0f, 1.0f}}, {222.0f, {0.0f, 0.5f, 1.0f}}, {223.0f, {0.0f, 0.0f, 0.5f}},
        {224.0f, {0.0f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.beat);
        // Every block prints its role line and its handle, shadow first, also when it is
        // fully transparent.
        const std::vector<PrintedText> texts = texts_at(c.beat);
        ASSERT_EQ(texts.size(), 12u);
        for (size_t block = 0; block < 3; ++block) {
            const PrintedText* passes = &texts[block * 4];
            EXPECT_EQ(passes[0].text, ROLES[block]);
            EXPECT_EQ(passes[1].text, ROLES[block]);
            EXPECT_FALSE(passes[2].text.empty());
            EXPECT_EQ(passes[2].text, passes[3].text);
            EXPECT_NE(passes[2].text, passes[0].text);
            for (int p = 0; p < 4; ++p)
                EXPECT_FLOAT_EQ(passes[p].a, c.alpha[block]) << "block " << block;
            EXPECT_FLOAT_EQ(passes[0].r, 0.5f); // grey shadow, white text
            EXPECT_FLOAT_EQ(passes[1].r, 1.0f);
        }
    }
}

TEST_F(KuCreditsTest, EachBlockAtItsPositionWithItsHandleAboveOrBelow)
{
    const struct {
        float spacing;
    } cases[] = {{0.1f}, {0.07f}, {-0.2f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spacing);
        start_scene({{"crSpacing", c.spacing}, {"cr1X", 0.1f}, {"cr1Y", 0.7f}, {"cr2X", 0.4f}, {"cr2Y", 0.5f},
                     {"cr3X", 0.6f}, {"cr3Y", 0.3f}});
        const std::vector<PrintedText> texts = texts_at(210.0f);
        ASSERT_EQ(texts.size(), 12u);
        const float x[] = {0.1f, 0.4f, 0.6f}, y[] = {0.7f, 0.5f, 0.3f};
        for (size_t block = 0; block < 3; ++block) {
            const PrintedText* passes = &texts[block * 4];
            EXPECT_NEAR(passes[0].x, x[block], 1e-4f);
            EXPECT_NEAR(passes[0].y, y[block], 1e-4f);
            // The text 0.15 % of the height up and right of its shadow.
            EXPECT_NEAR(passes[1].x, x[block] + 0.0015f, 1e-4f);
            EXPECT_NEAR(passes[1].y, y[block] + 0.0015f, 1e-4f);
            EXPECT_NEAR(passes[2].x, x[block], 1e-4f);
            EXPECT_NEAR(passes[2].y, y[block] + c.spacing, 1e-4f);
        }
    }
}

TEST_F(KuCreditsTest, TheMoonFillsTheScreenAndTheGlowAddsItsBlurredCopy)
{
    const struct {
        float glow;
        Rgb want;
    } cases[] = {
        {0.0f, MOON},             // no glow: the moon as drawn
        {0.5f, {90, 135, 180}},   // half of the (uniform) blurred copy added
        {1.0f, {120, 180, 240}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.glow);
        start_scene({{"crGlow", c.glow}});
        frame(100.0f); // no credit shows
        for (float x : {0.3f, 0.5f, 0.7f})
            for (float y : {0.3f, 0.5f, 0.7f})
                expect_rgb(colour_at(x, y), c.want, "moon", c.glow == 0.0f ? 0 : 4);
    }
}

TEST_F(KuCreditsTest, CreditsShowOverTheMoon)
{
    // Block 0 alone, fully visible at the middle: its white letters cover some of the moon
    // just right of the position, and nothing of it lies below the position.
    start_scene({{"cr2X", 5.0f}, {"cr3X", 5.0f}});
    frame(210.0f);
    const std::vector<unsigned char> row = read_rgba(128, 130, 100, 40);
    int white = 0;
    for (size_t i = 0; i < row.size(); i += 4)
        if (row[i] > 200 && row[i + 1] > 200 && row[i + 2] > 200) ++white;
    EXPECT_GT(white, 20);
    expect_rgb(colour_at(0.55f, 0.45f), MOON, "below the role line");
}
