#include "scenes/scene_oneinchfurther/oneinchfurther.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

#include "support/flat_scene_fixture.h"

namespace {

const std::vector<std::string> TRACKS = {"oiStart", "oiInterval", "oiScrollSpeed", "oiBlinkSpeed",
                                         "oiRedSpeed"};

const Rgb BLACK = {0, 0, 0}, WHITE = {255, 255, 255};

// With the window 256 pixels wide: a bar is 51.2 pixels wide plus a gap of 5.12, so the "?"
// bar starts at 450.56. This scroll speed puts that start at 25.6 pixels (0.1 of the window)
// once the view stands, eight beats after the start.
const float SPEED_SHOWING_THE_LAST = (450.56f - 25.6f + 160.0f) / (8.0f * 256.0f);

class OneInchFurtherTest : public FlatSceneTest {
protected:
    void start_scene(const std::map<std::string, float>& values = {})
    {
        start(new OneInchFurther(), TRACKS, values);
    }
};

} // namespace

TEST_F(OneInchFurtherTest, RegistersItsTracksInOrderWithTheirDefaults)
{
    start_scene();
    const float defaults[] = {150.0f, 4.0f, 0.1f, 0.5f, 0.25f};
    ASSERT_EQ(music->sync_tracks.size(), TRACKS.size());
    for (size_t i = 0; i < TRACKS.size(); ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACKS[i]);
        EXPECT_EQ(music->get_sync_value(TRACKS[i]), defaults[i]) << TRACKS[i];
    }
}

TEST_F(OneInchFurtherTest, NothingBeforeTheStartThenOneWhiteCentimetre)
{
    start_scene();
    EXPECT_TRUE(texts_at(149.9f).empty());
    expect_rgb(colour_at(0.7f, 0.55f), BLACK, "before the start");

    // Exactly at the start the view is shifted left by W / 1.6: the bar spans 0.625 W to
    // 0.825 W, from half the height up a tenth of it, its label a gap above.
    const std::vector<PrintedText> texts = texts_at(150.0f);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "1 cm");
    EXPECT_NEAR(texts[0].x, 0.625f, 1e-4f);
    EXPECT_NEAR(texts[0].y, 0.62f, 1e-4f);
    EXPECT_FLOAT_EQ(texts[0].r, 1.0f);
    EXPECT_FLOAT_EQ(texts[0].b, 1.0f);
    const struct {
        float x, y;
        Rgb want;
        const char* what;
    } probes[] = {
        {0.63f, 0.55f, WHITE, "left end"},       {0.82f, 0.55f, WHITE, "right end"},
        {0.72f, 0.505f, WHITE, "bottom edge"},   {0.72f, 0.595f, WHITE, "top edge"},
        {0.615f, 0.55f, BLACK, "left of it"},    {0.835f, 0.55f, BLACK, "right of it"},
        {0.72f, 0.49f, BLACK, "below it"},       {0.30f, 0.55f, BLACK, "where no bar is yet"},
    };
    for (const auto& probe : probes)
        expect_rgb(colour_at(probe.x, probe.y), probe.want, probe.what);
}

TEST_F(OneInchFurtherTest, TheLastSegmentTurnsRedAndBlinksWithTheDefaultTracks)
{
    start_scene();
    // The "?" label is drawn in its bar's colour; f counts segments since it came in.
    const struct {
        float beat;
        float r, g, b;
    } cases[] = {
        {182.0f, 1.0f, 1.0f, 1.0f},   // f = 0: white
        {190.0f, 1.0f, 0.5f, 0.5f},   // f = 2: half red
        {191.5f, 0.0f, 0.0f, 0.0f},   // f = 2.375: blinked off, fmod(f, 0.5) > 0.25
        {192.5f, 1.0f, 0.34375f, 0.34375f}, // f = 2.625: on again
        {193.5f, 0.0f, 0.0f, 0.0f},   // f = 2.875: off
        {198.0f, 1.0f, 0.0f, 0.0f},   // f = 4: pure red from here on
        {400.0f, 1.0f, 0.0f, 0.0f},   // f = 54.5: still red, nothing past the ninth segment
    };
    const char* const labels[] = {"1 cm", "2 cm", "3 cm", "4 cm", "5 cm", "6 cm", "7 cm", "8 cm", "?"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.beat);
        const std::vector<PrintedText> texts = texts_at(c.beat);
        ASSERT_EQ(texts.size(), 9u);
        for (size_t i = 0; i < 9; ++i)
            EXPECT_EQ(texts[i].text, labels[i]);
        EXPECT_FLOAT_EQ(texts[7].g, 1.0f); // the others stay white
        EXPECT_FLOAT_EQ(texts[8].r, c.r);
        EXPECT_FLOAT_EQ(texts[8].g, c.g);
        EXPECT_FLOAT_EQ(texts[8].b, c.b);
    }
    // The segments come in one per interval.
    EXPECT_EQ(texts_at(153.9f).size(), 1u);
    EXPECT_EQ(texts_at(154.0f).size(), 2u);
    EXPECT_EQ(texts_at(181.9f).size(), 8u);
}

TEST_F(OneInchFurtherTest, TheLastSegmentStretchesToTwoAndAHalfWidths)
{
    // Scrolled so that the "?" bar starts at 0.1 of the window: one width is 0.2 of it.
    start_scene({{"oiScrollSpeed", SPEED_SHOWING_THE_LAST}});
    const struct {
        float beat;
        float widths;
        Rgb colour;
    } cases[] = {
        {182.0f, 1.0f, WHITE},
        {190.0f, 1.77f, {255, 128, 128}},
        {198.0f, 2.54f, {255, 0, 0}},
        {210.0f, 2.54f, {255, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.beat);
        frame(c.beat);
        const float right = 0.1f + 0.2f * c.widths;
        expect_rgb(colour_at(0.11f, 0.55f), c.colour, "left end");
        expect_rgb(colour_at(right - 0.01f, 0.55f), c.colour, "right end");
        expect_rgb(colour_at(right + 0.01f, 0.55f), BLACK, "right of it");
    }
}

TEST_F(OneInchFurtherTest, TheViewStopsScrollingEightBeatsAfterTheStart)
{
    // The "1 cm" label sits at x = -left, left = min(t - start, 8) x W x 0.1 - W / 1.6.
    for (float interval : {1.0f, 4.0f}) {
        SCOPED_TRACE(interval);
        start_scene({{"oiInterval", interval}});
        const struct {
            float beat, x;
        } cases[] = {{154.0f, 0.225f}, {158.0f, -0.175f}, {170.0f, -0.175f}};
        for (const auto& c : cases) {
            const std::vector<PrintedText> one = passes_of(texts_at(c.beat), "1 cm");
            ASSERT_EQ(one.size(), 1u) << c.beat;
            EXPECT_NEAR(one[0].x, c.x, 1e-4f) << c.beat;
        }
    }
}

// An interval of zero or one that is not finite draws nothing (it counts no segments); a
// negative one counts its segments before the start; a count that no integer holds is
// clamped to the nine segments before it is converted.
TEST_F(OneInchFurtherTest, TheIntervalsSignCountsEitherWayAndNoFiniteIntervalDrawsNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float interval, beat;
        size_t segments;
    } cases[] = {
        {0.0f, 200.0f, 0},   {-4.0f, 100.0f, 9}, {-4.0f, 146.0f, 2},  {-4.0f, 150.0f, 1},
        {-4.0f, 200.0f, 0},  {nan, 200.0f, 0},   {inf, 200.0f, 0},    {inf, 100.0f, 0},
        {-inf, 100.0f, 0},   {1e-30f, 200.0f, 9}, {-1e-30f, 100.0f, 9}, {4.0f, 1e30f, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.interval << " at " << c.beat);
        start_scene({{"oiInterval", c.interval}});
        EXPECT_EQ(texts_at(c.beat).size(), c.segments);
        if (c.segments == 0) expect_rgb(colour_at(0.7f, 0.55f), BLACK, "no bar");
    }
}
