#include "scenes/scene_kuvits/kuvits.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "support/scene_fixture.h"
#include "util/music/music.h"

namespace {

const std::vector<std::string> TRACKS = {"kvProgress", "kvX", "kvY", "kvSize"};

// Both panels 4:3, so on the square test screen a panel is 0.75 of its width high.
const Rgb QUESTION = {220, 40, 40};
const Rgb PUNCH_LINE = {40, 200, 60};
const Rgb BLACK = {0, 0, 0};

class KuVitsTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        folder.write_file("data/kuvits/ku_vits_1.png", solid_png(16, 12, QUESTION));
        folder.write_file("data/kuvits/ku_vits_2.png", solid_png(16, 12, PUNCH_LINE));
        write_tracks(TRACKS, {});
    }
};

} // namespace

TEST_F(KuVitsTest, RegistersItsTracksAndDrawsTheQuestionWhereTheDefaultsPutIt)
{
    start(new KuVits(), 1.0f);
    ASSERT_EQ(music->sync_tracks.size(), TRACKS.size());
    const float defaults[] = {0.0f, 0.1f, 0.3f, 0.8f};
    for (size_t i = 0; i < TRACKS.size(); ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACKS[i]);
        EXPECT_EQ(music->get_sync_value(TRACKS[i]), defaults[i]) << TRACKS[i];
    }
    // x 0.1 .. 0.9, y 0.3 .. 0.9.
    frame(0.0f);
    expect_rgb(pixel_at(0.12f, 0.32f), QUESTION, "lower left corner", 0);
    expect_rgb(pixel_at(0.88f, 0.88f), QUESTION, "upper right corner", 0);
    expect_rgb(pixel_at(0.5f, 0.28f), BLACK, "below", 0);
    expect_rgb(pixel_at(0.5f, 0.92f), BLACK, "above", 0);
    expect_rgb(pixel_at(0.08f, 0.5f), BLACK, "left", 0);
    expect_rgb(pixel_at(0.92f, 0.5f), BLACK, "right", 0);
}

TEST_F(KuVitsTest, TheProgressPicksExactlyOnePanel)
{
    struct Case {
        float progress;
        Rgb panel;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {0.999f, QUESTION}, {1.0f, PUNCH_LINE}, {-1.0f, QUESTION},
        {0.0f, QUESTION},   {5.0f, PUNCH_LINE}, {nan, PUNCH_LINE},
    };
    std::vector<std::pair<float, float>> steps;
    for (size_t i = 0; i < cases.size(); ++i)
        steps.emplace_back(static_cast<float>(i), cases[i].progress);
    write_steps("kvProgress", steps);
    start(new KuVits(), 1.0f);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "kvProgress " << cases[i].progress);
        frame(static_cast<float>(i));
        expect_rgb(pixel_at(0.5f, 0.6f), cases[i].panel, "middle of the panel", 0);
    }
}

TEST_F(KuVitsTest, ThePanelFollowsItsPositionAndSizeTracks)
{
    // Beat 0: from (0.2, 0.1), 0.4 wide; beat 1: from (0.5, 0.5), 0.2 wide; beat 2: the
    // punch line there.
    write_steps("kvX", {{0.0f, 0.2f}, {1.0f, 0.5f}});
    write_steps("kvY", {{0.0f, 0.1f}, {1.0f, 0.5f}});
    write_steps("kvSize", {{0.0f, 0.4f}, {1.0f, 0.2f}});
    write_steps("kvProgress", {{0.0f, 0.0f}, {2.0f, 1.0f}});
    start(new KuVits(), 1.0f);
    struct Probe {
        float beat, x, y;
        Rgb want;
    };
    const Probe probes[] = {
        {0.0f, 0.22f, 0.12f, QUESTION}, {0.0f, 0.58f, 0.38f, QUESTION}, {0.0f, 0.62f, 0.25f, BLACK},
        {0.0f, 0.4f, 0.42f, BLACK},     {0.0f, 0.18f, 0.25f, BLACK},    {1.0f, 0.6f, 0.57f, QUESTION},
        {1.0f, 0.4f, 0.25f, BLACK},     {1.0f, 0.6f, 0.67f, BLACK},     {2.0f, 0.6f, 0.57f, PUNCH_LINE},
        {2.0f, 0.4f, 0.25f, BLACK},
    };
    for (const Probe& p : probes) {
        frame(p.beat);
        expect_rgb(pixel_at(p.x, p.y), p.want, testing::PrintToString(p.beat) + " at " + testing::PrintToString(p.x) + ", " +
                       testing::PrintToString(p.y), 0);
    }
}

// The build's panels and the show's tracks: the question, then the punch line.
class KuVitsShowTest : public SceneTest {};

TEST_F(KuVitsShowTest, QuestionThenPunchLineInItsStretch)
{
    start_in_show(new KuVits(), "kuvits");
    std::vector<Rgb> question, punch_line;
    auto sample = [this](std::vector<Rgb>& into) {
        for (int i = 0; i < 16; ++i)
            for (int j = 0; j < 16; ++j)
                into.push_back(pixel_at((static_cast<float>(i) + 0.5f) / 16.0f, (static_cast<float>(j) + 0.5f) / 16.0f));
    };
    frame(240.0f);
    sample(question);
    // The panel's paper shows inside its upper left corner; its border and everything
    // around the panel are dark.
    const int paper = count_pixels([](const Rgb& p) { return p.r > 245 && p.g > 238 && p.b > 220 && p.b < 240; });
    EXPECT_GT(paper, WINDOW_WIDTH * WINDOW_HEIGHT / 8);
    expect_rgb(pixel_at(0.1f, 0.5f), BLACK, "left of the panel", 0);
    frame(250.0f);
    sample(punch_line);
    int differing = 0;
    for (size_t i = 0; i < question.size(); ++i)
        if (std::abs(question[i].r - punch_line[i].r) + std::abs(question[i].g - punch_line[i].g) > 60) ++differing;
    EXPECT_GT(differing, 10) << "the punch line looks like the question";
}
