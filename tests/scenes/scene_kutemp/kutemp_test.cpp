#include "scenes/scene_kutemp/kutemp.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "support/scene_fixture.h"
#include "util/music/music.h"

namespace {

// One colour per picture, so a pixel tells which row was drawn. The thermometers are 1:2,
// so on the square test screen a thermometer covers x 0.1 .. 0.425, y 0.3 .. 0.95; the cows
// are square and cover x 0.3 .. 0.75, y 0.22 .. 0.67.
const Rgb THERMOMETER[3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
const Rgb COW[3] = {{255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
const Rgb BLACK = {0, 0, 0};

const float THERMOMETER_ONLY[2] = {0.2f, 0.8f};
const float COW_ONLY[2] = {0.6f, 0.4f};
const float BOTH[2] = {0.36f, 0.5f};

Rgb mixed(Rgb top, float alpha, Rgb under)
{
    auto channel = [alpha](int a, int b) { return static_cast<int>(a * alpha + b * (1.0f - alpha) + 0.5f); };
    return {channel(top.r, under.r), channel(top.g, under.g), channel(top.b, under.b)};
}

class KuTempTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        const char* thermometers[3] = {"gradestokk", "gradestokk_0", "gradestokk_100"};
        const char* cows[3] = {"ku_minus_100", "ku_0_grader", "ku_100_grader"};
        for (int k = 0; k < 3; ++k) {
            folder.write_file(std::string("data/kutemp/") + thermometers[k] + ".png", solid_png(8, 16, THERMOMETER[k]));
            folder.write_file(std::string("data/kutemp/") + cows[k] + ".png", solid_png(16, 16, COW[k]));
        }
        write_tracks({"ktProgress", "ktPicFade"}, {});
    }
};

} // namespace

TEST_F(KuTempTest, RegistersItsTracksAndShowsOnlyTheThermometerWhileTheCowIsFadedOut)
{
    start(new KuTemp(), 1.0f);
    ASSERT_EQ(music->sync_tracks.size(), 2u);
    EXPECT_EQ(music->sync_tracks[0].name, "ktProgress");
    EXPECT_EQ(music->sync_tracks[1].name, "ktPicFade");
    EXPECT_EQ(music->get_sync_value("ktProgress"), 0.0f);
    EXPECT_EQ(music->get_sync_value("ktPicFade"), 0.0f);
    frame(0.0f);
    expect_rgb(pixel_at(THERMOMETER_ONLY[0], THERMOMETER_ONLY[1]), THERMOMETER[0], "thermometer", 0);
    expect_rgb(pixel_at(BOTH[0], BOTH[1]), THERMOMETER[0], "thermometer under the faded cow", 0);
    expect_rgb(pixel_at(COW_ONLY[0], COW_ONLY[1]), BLACK, "the faded cow", 0);
    expect_rgb(pixel_at(0.05f, 0.5f), BLACK, "left of the thermometer", 0);
    expect_rgb(pixel_at(0.2f, 0.97f), BLACK, "above the thermometer", 0);
}

TEST_F(KuTempTest, TheProgressPicksTheRowAndTheFadeBlendsTheCow)
{
    struct Case {
        float progress, fade;
        int row; // -1: nothing drawn
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Truncated toward zero and at most 2, however large; NaN and -1 or less select nothing.
    const std::vector<Case> cases = {
        {0.0f, 1.0f, 0},  {1.99f, 1.0f, 1}, {5.0f, 1.0f, 2},    {-0.5f, 1.0f, 0},  {-1.0f, 1.0f, -1},
        {2.0f, 0.5f, 2},  {1.0f, 0.25f, 1}, {-0.99f, 1.0f, 0},  {nan, 1.0f, -1},   {1e30f, 1.0f, 2},
        {inf, 1.0f, 2},   {-inf, 1.0f, -1}, {2.0e9f, 1.0f, 2},  {3.0e9f, 1.0f, 2},  {-3.0e9f, 1.0f, -1},
    };
    std::vector<std::pair<float, float>> progress_steps, fade_steps;
    for (size_t i = 0; i < cases.size(); ++i) {
        progress_steps.emplace_back(static_cast<float>(i), cases[i].progress);
        fade_steps.emplace_back(static_cast<float>(i), cases[i].fade);
    }
    write_steps("ktProgress", progress_steps);
    write_steps("ktPicFade", fade_steps);
    start(new KuTemp(), 1.0f);
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "ktProgress " << c.progress << ", ktPicFade " << c.fade);
        frame(static_cast<float>(i));
        if (c.row < 0) {
            expect_rgb(pixel_at(THERMOMETER_ONLY[0], THERMOMETER_ONLY[1]), BLACK, "no thermometer", 0);
            expect_rgb(pixel_at(COW_ONLY[0], COW_ONLY[1]), BLACK, "no cow", 0);
            continue;
        }
        expect_rgb(pixel_at(THERMOMETER_ONLY[0], THERMOMETER_ONLY[1]), THERMOMETER[c.row], "thermometer", 0);
        expect_rgb(pixel_at(COW_ONLY[0], COW_ONLY[1]), mixed(COW[c.row], c.fade, BLACK), "cow", 1);
        expect_rgb(pixel_at(BOTH[0], BOTH[1]), mixed(COW[c.row], c.fade, THERMOMETER[c.row]), "cow over the thermometer", 1);
    }
}

// The build's pictures and the show's tracks: the thermometer's red column rises from row to
// row, and each row's cow is faded in.
class KuTempShowTest : public SceneTest {};

TEST_F(KuTempShowTest, TheColumnRisesThroughTheThreeRows)
{
    start_in_show(new KuTemp(), "kutemp");
    // The thermometer's tube runs up the middle of its picture: x 0.1 + 0.5 of its width,
    // where -50 and 50 degrees stand (picture rows 405 and 175 of 640, counted from the top).
    const float tube_x = 0.1f + 0.5f * (256.0f / 640.0f) * 0.65f / (16.0f / 9.0f);
    const float cold_y = 0.3f + 0.65f * (1.0f - 405.0f / 640.0f);
    const float warm_y = 0.3f + 0.65f * (1.0f - 175.0f / 640.0f);
    auto red = [](const Rgb& p) { return p.r > 170 && p.g < 90 && p.b < 90; };
    struct Row {
        float beat;
        bool cold_red, warm_red;
    };
    for (const Row& row : {Row{606.0f, false, false}, Row{617.0f, true, false}, Row{628.0f, true, true}}) {
        SCOPED_TRACE(testing::Message() << "beat " << row.beat);
        frame(row.beat);
        EXPECT_EQ(red(pixel_at(tube_x, cold_y)), row.cold_red);
        EXPECT_EQ(red(pixel_at(tube_x, warm_y)), row.warm_red);
        const int cow = count_pixels([](const Rgb& p) { return p.r + p.g + p.b > 200; });
        EXPECT_GT(cow, WINDOW_WIDTH * WINDOW_HEIGHT / 8) << "the cow and thermometer show";
    }
}
