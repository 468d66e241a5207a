#include "scenes/scene_robotku/robotku.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scene_fixture.h"
#include "util/music/music.h"

namespace {

// Both pictures 2:1, so on the square test screen they fill the middle half of its height
// (y 0.25 .. 0.75). Their left halves are coloured and their right halves black, which shows
// the glow's blur at the edge between them.
const Rgb ROBOT = {100, 60, 200};
const Rgb GLOW = {40, 120, 20};
const Rgb BLACK = {0, 0, 0};

std::string half_picture(Rgb colour)
{
    return painted_png(32, 16, [colour](int x, int) { return x < 16 ? Rgba{colour.r, colour.g, colour.b, 255} : Rgba{0, 0, 0, 255}; });
}

Rgb scaled_sum(float o, Rgb a, float g, Rgb b)
{
    auto channel = [](float value) { return value > 255.0f ? 255 : static_cast<int>(value + 0.5f); };
    return {channel(o * a.r + g * b.r), channel(o * a.g + g * b.g), channel(o * a.b + g * b.b)};
}

class RobotKuTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        folder.write_file("data/robotku/robot_ku.png", half_picture(ROBOT));
        folder.write_file("data/robotku/ku_vs_robot_glow.png", half_picture(GLOW));
        write_tracks({"rkOrgStr", "rkGlowStr"}, {});
    }
};

} // namespace

TEST_F(RobotKuTest, RegistersItsTracksWithTheirDefaults)
{
    start(new RobotKu(), 1.0f);
    ASSERT_EQ(music->sync_tracks.size(), 2u);
    EXPECT_EQ(music->sync_tracks[0].name, "rkOrgStr");
    EXPECT_EQ(music->sync_tracks[1].name, "rkGlowStr");
    EXPECT_EQ(music->get_sync_value("rkOrgStr"), 1.0f);
    EXPECT_EQ(music->get_sync_value("rkGlowStr"), 1.0f);
}

TEST_F(RobotKuTest, StrengthsSetTheGreyOfEachAdditiveLayer)
{
    struct Case {
        float robot, glow;
    };
    // One case a beat.
    const std::vector<Case> cases = {{0.5f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}, {1.0f, 0.5f}, {0.0f, 0.0f}};
    std::vector<std::pair<float, float>> robot_steps, glow_steps;
    for (size_t i = 0; i < cases.size(); ++i) {
        robot_steps.emplace_back(static_cast<float>(i), cases[i].robot);
        glow_steps.emplace_back(static_cast<float>(i), cases[i].glow);
    }
    write_steps("rkOrgStr", robot_steps);
    write_steps("rkGlowStr", glow_steps);
    start(new RobotKu(), 1.0f);
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "rkOrgStr " << c.robot << ", rkGlowStr " << c.glow);
        frame(static_cast<float>(i));
        expect_rgb(pixel_at(0.25f, 0.5f), scaled_sum(c.robot, ROBOT, c.glow, GLOW), "left half", 2);
        expect_rgb(pixel_at(0.75f, 0.5f), BLACK, "right half", 0);
        expect_rgb(pixel_at(0.25f, 0.2f), BLACK, "below the pictures", 0);
        expect_rgb(pixel_at(0.25f, 0.8f), BLACK, "above the pictures", 0);
    }
}

TEST_F(RobotKuTest, TheRobotIsDrawnSharpAndTheGlowBlurred)
{
    // Each layer alone: the robot keeps its edge at the middle of the screen, the glow runs
    // over it.
    write_steps("rkOrgStr", {{0.0f, 1.0f}, {1.0f, 0.0f}});
    write_steps("rkGlowStr", {{0.0f, 0.0f}, {1.0f, 1.0f}});
    start(new RobotKu(), 1.0f);
    const float just_left = 0.5f - 6.0f / WINDOW_WIDTH, just_right = 0.5f + 6.0f / WINDOW_WIDTH;

    frame(0.0f);
    expect_rgb(pixel_at(just_left, 0.5f), ROBOT, "robot left of its edge", 2);
    expect_rgb(pixel_at(just_right, 0.5f), BLACK, "robot right of its edge", 0);

    frame(1.0f);
    const Rgb left = pixel_at(just_left, 0.5f), right = pixel_at(just_right, 0.5f);
    EXPECT_LT(left.g, GLOW.g - 10) << "the glow fades before its edge";
    EXPECT_GT(right.g, 10) << "the glow spills past its edge";
    expect_rgb(pixel_at(0.1f, 0.5f), GLOW, "the glow's flat inside", 2);
}

// The build's pictures and the show's tracks: on the beat the glow adds its halos, half a
// beat later it has sunk back.
class RobotKuShowTest : public SceneTest {};

TEST_F(RobotKuShowTest, TheGlowPumpsOnTheBeatInItsStretch)
{
    start_in_show(new RobotKu(), "robotku");
    auto brightness = [] {
        long sum = 0;
        count_pixels([&sum](const Rgb& p) {
            sum += p.r + p.g + p.b;
            return false;
        });
        return sum;
    };
    frame(170.0f);
    const long on_beat = brightness();
    const int lit = count_pixels([](const Rgb& p) { return p.r + p.g + p.b > 150; });
    frame(170.5f);
    const long off_beat = brightness();
    EXPECT_GT(lit, WINDOW_WIDTH * WINDOW_HEIGHT / 4) << "the robot covers much of the screen";
    EXPECT_GT(on_beat, off_beat + off_beat / 5);
    expect_rgb(pixel_at(0.01f, 0.01f), BLACK, "the corner beside the robot", 0);
}
