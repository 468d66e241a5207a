#include "scenes/scene_quorelannouncer/quorelannouncer.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

#include "support/flat_scene_fixture.h"

namespace {

const std::vector<std::string> TRACKS = {"maAnnouncement", "maProgress", "maFade"};

const Rgb BLACK = {0, 0, 0}, STRIP = {40, 200, 120}, COW = {200, 60, 220};

const char* const TITLES[] = {
    "TRC (Tarnholm Recycling Constant)",
    "MALT (Minimum Animal Laugh Treshold) (time unit)",
    "F*CK (Falling Star-Cow Kinetics unit) (distance unit)",
    "ROFL (Robot Or Food-item Light) (light unit)",
    "FUN FACT:",
    "BEER (Bathing, Expired or Extremely Refrigerated)",
};

class QuorelAnnouncerTest : public FlatSceneTest {
protected:
    void start_scene(const std::map<std::string, float>& values)
    {
        write_picture("data/quorelannouncer/placeholder_2.png", 64, 16, STRIP);
        write_picture("data/quorelannouncer/forvirret_ku.png", 16, 32, COW); // 1:2
        start(new QuorelAnnouncer(), TRACKS, values);
    }

    // A frame's passes: the title (shadow, then text), the first body line, and the second
    // body line when there is one.
    struct Page {
        std::string title, first, second;
        size_t passes;
    };

    Page page_at(float announcement, float progress)
    {
        start_scene({{"maAnnouncement", announcement}, {"maProgress", progress}});
        const std::vector<PrintedText> texts = texts_at(500.0f);
        Page page{"", "", "", texts.size()};
        for (size_t i = 0; i + 1 < texts.size(); i += 2)
            EXPECT_EQ(texts[i].text, texts[i + 1].text) << "shadow and text differ";
        if (texts.size() >= 2) page.title = texts[0].text;
        if (texts.size() >= 4) page.first = texts[2].text;
        if (texts.size() >= 6) page.second = texts[4].text;
        return page;
    }
};

std::string last_word(const std::string& line) { return line.substr(line.rfind(' ') + 1); }
std::string first_word(const std::string& line) { return line.substr(0, line.find(' ')); }

} // namespace

TEST_F(QuorelAnnouncerTest, RegistersItsTracksInOrderWithTheirDefaults)
{
    start_scene({});
    const float defaults[] = {0.0f, 0.0f, 1.0f};
    ASSERT_EQ(music->sync_tracks.size(), TRACKS.size());
    for (size_t i = 0; i < TRACKS.size(); ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACKS[i]);
        EXPECT_EQ(music->get_sync_value(TRACKS[i]), defaults[i]) << TRACKS[i];
    }
}

TEST_F(QuorelAnnouncerTest, TheAnnouncementPicksAPageWithinTheEight)
{
    const struct {
        float announcement;
        int page;
    } cases[] = {
        {0.0f, 0}, {0.99f, 0}, {1.0f, 1}, {4.5f, 4}, {7.9f, 7}, {8.0f, 7}, {1e30f, 7},
        {-3.0f, 0}, {std::numeric_limits<float>::infinity(), 7}, {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    const std::string last_bodies[] = {"", "", "", "", "", "-100 degrees BEER: Freezing cow.",
                                       "0 degrees BEER: Ideal bath temperature for cows.",
                                       "100 degrees BEER: Dead cow."};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.announcement);
        const Page page = page_at(c.announcement, 1.0f);
        EXPECT_EQ(page.title, TITLES[c.page < 5 ? c.page : 5]);
        if (c.page >= 5) {
            EXPECT_EQ(page.first, last_bodies[c.page]);
        }
    }
}

TEST_F(QuorelAnnouncerTest, TheBodyIsTypedOutAndSplitNearSeventyCharacters)
{
    const struct {
        float announcement, progress;
        const char* first;
        const char* second; // null: no second line
    } cases[] = {
        // Nothing typed: an empty first line and nothing else.
        {3.0f, 0.0f, "", nullptr},
        {3.0f, -2.0f, "", nullptr},
        {3.0f, 0.5f, "The amount of light needed to distinguish bet", nullptr}, // 45 of 90
        // Page 3 at the end: split at the last blank at or before index 70.
        {3.0f, 1.0f, "The amount of light needed to distinguish between a cow and a robot",
         "that looks like a cow."},
        {3.0f, 5.0f, "The amount of light needed to distinguish between a cow and a robot",
         "that looks like a cow."},
        // Page 1 splits at index 64.
        {1.0f, 1.0f, "The time it takes from you tell a cow the joke \"Why do cows have",
         "bells? Because the horns don't work\" until the cow laughs."},
        // Page 0 splits at index 70, inside its run of eight blanks.
        {0.0f, 1.0f, "The number of times an effect can be recycled before it's retired.    ",
         "   (a very large undetermined number)"},
        {4.0f, 1.0f, "Your basic, standardized 1 MALT high giraffe emits exactly 1 ROFL",
         "light in vacuum."},
        // Short bodies never get a second line.
        {6.0f, 1.0f, "0 degrees BEER: Ideal bath temperature for cows.", nullptr},
        {7.0f, 1.0f, "100 degrees BEER: Dead cow.", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << c.announcement << " at " << c.progress);
        const Page page = page_at(c.announcement, c.progress);
        EXPECT_EQ(page.first, c.first);
        EXPECT_EQ(page.passes, c.second ? 6u : 4u);
        if (c.second) {
            EXPECT_EQ(page.second, c.second);
        }
    }
    // The words the split falls between.
    const Page robot = page_at(3.0f, 1.0f);
    EXPECT_EQ(last_word(robot.first), "robot");
    EXPECT_EQ(first_word(robot.second), "that");
    const Page bells = page_at(1.0f, 1.0f);
    EXPECT_EQ(last_word(bells.first), "have");
    EXPECT_EQ(first_word(bells.second), "bells?");
}

// Typed up to exactly the line length, the text past an earlier blank stays on screen.
TEST_F(QuorelAnnouncerTest, AtSeventyTypedCharactersTheSecondLineShows)
{
    const Page page = page_at(1.0f, 70.5f / 123.0f); // 70 of the 123 characters
    EXPECT_EQ(page.first, "The time it takes from you tell a cow the joke \"Why do cows have");
    EXPECT_EQ(page.second, "bells?");
    const Page before = page_at(1.0f, 69.5f / 123.0f); // 69: still one line
    EXPECT_EQ(before.first, "The time it takes from you tell a cow the joke \"Why do cows have bell");
    EXPECT_EQ(before.passes, 4u);
}

TEST(QuorelAnnouncerSplit, ABodyWithoutABlankBreaksHardAtTheLineLength)
{
    const std::string body(100, 'x');
    const struct {
        size_t typed;
        size_t first, second;
        bool has_second;
    } cases[] = {
        {69, 69, 0, false}, {70, 70, 0, false}, {71, 70, 1, true}, {100, 70, 30, true}, {500, 70, 30, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const QuorelAnnouncer::BodyLines lines = QuorelAnnouncer::split_body(body, c.typed);
        EXPECT_EQ(lines.first.size(), c.first);
        EXPECT_EQ(lines.has_second, c.has_second);
        EXPECT_EQ(lines.second.size(), c.second);
    }
    // The hard break keeps every character: the 71st begins the second line.
    const std::string counted = std::string(70, 'a') + "bcd";
    const QuorelAnnouncer::BodyLines lines = QuorelAnnouncer::split_body(counted, counted.size());
    EXPECT_EQ(lines.first, std::string(70, 'a'));
    EXPECT_EQ(lines.second, "bcd");
}

TEST_F(QuorelAnnouncerTest, StripCowAndTextsFadeWithTheFadeTrack)
{
    start_scene({{"maAnnouncement", 5.0f}, {"maProgress", 1.0f}, {"maFade", 0.5f}});
    const std::vector<PrintedText> texts = texts_at(500.0f);
    ASSERT_EQ(texts.size(), 4u);
    // Title: yellow shadow at (0.06, 0.12), black text 0.2 % of the height up and right.
    EXPECT_NEAR(texts[0].x, 0.06f, 1e-4f);
    EXPECT_NEAR(texts[0].y, 0.12f, 1e-4f);
    EXPECT_FLOAT_EQ(texts[0].r, 1.0f);
    EXPECT_FLOAT_EQ(texts[0].g, 1.0f);
    EXPECT_FLOAT_EQ(texts[0].b, 0.0f);
    EXPECT_NEAR(texts[1].x, 0.062f, 1e-4f);
    EXPECT_NEAR(texts[1].y, 0.122f, 1e-4f);
    EXPECT_FLOAT_EQ(texts[1].r, 0.0f);
    // Body: grey shadow at (0.06, 0.08), black text.
    EXPECT_NEAR(texts[2].y, 0.08f, 1e-4f);
    EXPECT_FLOAT_EQ(texts[2].g, 0.5f);
    EXPECT_FLOAT_EQ(texts[3].g, 0.0f);
    for (const PrintedText& pass : texts)
        EXPECT_FLOAT_EQ(pass.a, 0.5f) << pass.text;

    // The strip over the bottom fifth and the cow (0.15 wide, 0.3 high) in the corner, both
    // at half alpha over black.
    const Rgb half_strip = {20, 100, 60}, half_cow = {100, 30, 110};
    const struct {
        float x, y;
        Rgb want;
        const char* what;
    } probes[] = {
        {0.02f, 0.01f, half_strip, "strip's lower left"},   {0.80f, 0.19f, half_strip, "strip's top"},
        {0.50f, 0.21f, BLACK, "above the strip"},         {0.86f, 0.25f, half_cow, "cow's left side"},
        {0.99f, 0.29f, half_cow, "cow's upper right"},      {0.92f, 0.31f, BLACK, "above the cow"},
        {0.84f, 0.25f, BLACK, "left of the cow"},
    };
    for (const auto& probe : probes)
        expect_rgb(colour_at(probe.x, probe.y), probe.want, probe.what);
}
