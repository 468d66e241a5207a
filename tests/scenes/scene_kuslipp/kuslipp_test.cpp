#include "scenes/scene_kuslipp/kuslipp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scene_fixture.h"
#include "util/music/music.h"

namespace {

const std::vector<std::string> TRACKS = {
    "ksSkyX",  "ksSkyY",     "ksPlaneX", "ksPlaneY", "ksPlaneSize", "ksCow1X",
    "ksCow1Y", "ksCow1Size", "ksCow2X",  "ksCow2Y",  "ksCow2Size",
};

const Rgb CLEAR = {107, 208, 220};
const Rgb CLOUD = {250, 40, 30};
const Rgb PLANE = {0, 0, 255};
const Rgb COW = {255, 255, 0};

// The sky tile, 16 x 16: opaque where s < 0.25 (the four left columns) or t >= 0.5 (the upper
// half), transparent elsewhere.
std::string sky_tile()
{
    return painted_png(16, 16, [](int x, int y) { return x < 4 || y < 8 ? Rgba{CLOUD.r, CLOUD.g, CLOUD.b, 255} : Rgba{0, 0, 0, 0}; });
}

class KuSlippTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        folder.write_file("data/kuslipp/fly.png", solid_png(16, 8, PLANE)); // 2:1
        folder.write_file("data/kuslipp/flyveku_stage1.png", solid_png(8, 8, COW));
        write_tracks(TRACKS, {});
    }

    // The number of primitives that reach GL while a frame is drawn.
    GLuint primitives_in_frame(float beat)
    {
        GLuint query = 0, count = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        frame(beat);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }
};

std::string where(float beat, float x, float y)
{
    return "beat " + testing::PrintToString(beat) + " at " + testing::PrintToString(x) + ", " +
           testing::PrintToString(y);
}

} // namespace

TEST_F(KuSlippTest, DefaultsStackTheCowsOverThePlaneAtTheBottomLeft)
{
    folder.write_file("data/kuslipp/skyer.png", painted_png(16, 16, [](int, int) { return Rgba{0, 0, 0, 0}; }));
    start(new KuSlipp(), 1.0f);
    ASSERT_EQ(music->sync_tracks.size(), TRACKS.size());
    const float defaults[] = {0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.5f};
    for (size_t i = 0; i < TRACKS.size(); ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACKS[i]);
        EXPECT_EQ(music->get_sync_value(TRACKS[i]), defaults[i]) << TRACKS[i];
    }
    // Each sprite half the screen high: the cows 0.5 wide, the plane 1.0.
    frame(0.0f);
    expect_rgb(pixel_at(0.25f, 0.25f), COW, "the cows", 0);
    expect_rgb(pixel_at(0.75f, 0.25f), PLANE, "the plane beside them", 0);
    // Where nothing is drawn, the clear colour exactly.
    expect_rgb(pixel_at(0.5f, 0.75f), CLEAR, "the empty sky", 0);
    expect_rgb(pixel_at(0.99f, 0.99f), CLEAR, "the upper right corner", 0);
}

TEST_F(KuSlippTest, TheSkyScrollsInTwoLayersOverTheClearColour)
{
    folder.write_file("data/kuslipp/skyer.png", sky_tile());
    // Beat 0: no offset; 1: half a tile along s; 2 and 3: along t.
    write_steps("ksSkyX", {{0.0f, 0.0f}, {1.0f, 0.5f}, {2.0f, 0.0f}});
    write_steps("ksSkyY", {{0.0f, 0.0f}, {2.0f, 0.1f}, {3.0f, 0.5f}});
    // The sprites out of the way, above the screen.
    for (const char* y : {"ksPlaneY", "ksCow1Y", "ksCow2Y"})
        write_steps(y, {{0.0f, 2.0f}});
    start(new KuSlipp(), 1.0f);
    struct Probe {
        float beat, x, y;
        Rgb want;
        const char* what;
    };
    // The back layer samples s = x + u, t = y + 0.3 v; the front one s = 1.5 x + 2 u,
    // t = 2 y + 0.5 v, at the screen point (u, v).
    const Probe probes[] = {
        {0.0f, 0.19f, 0.3f, CLOUD, "back layer's cloud column"},
        {0.0f, 0.56f, 0.3f, CLOUD, "front layer's second cloud column"},
        {0.0f, 0.8f, 0.3f, CLEAR, "a gap in both layers"},
        {1.0f, 0.3f, 0.3f, CLEAR, "a gap in both layers"},
        {1.0f, 0.6f, 0.3f, CLOUD, "back layer moved by 0.5"},
        {1.0f, 0.15f, 0.3f, CLOUD, "front layer moved by 0.75"},
        {2.0f, 0.8f, 0.3f, CLEAR, "a gap in both layers"},
        {2.0f, 0.8f, 0.8f, CLOUD, "front layer's upper half, moved up by 0.2"},
        {3.0f, 0.8f, 0.3f, CLOUD, "back layer's upper half, moved up by 0.5"},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.what);
        frame(p.beat);
        expect_rgb(pixel_at(p.x, p.y), p.want, where(p.beat, p.x, p.y), 0);
    }
}

TEST_F(KuSlippTest, SpritesFollowTheirTracksAndStopAboveTheTopEdge)
{
    folder.write_file("data/kuslipp/skyer.png", painted_png(16, 16, [](int, int) { return Rgba{0, 0, 0, 0}; }));
    // Beat 0: the plane at (0.3, 0.6), 0.2 high, the first cow at (0.1, 0.1), 0.3 high, the
    // second at (0.6, 0.1), 0.2 high. Beats 1 and 2 lift the second cow to the top edge and
    // just past it.
    write_steps("ksPlaneX", {{0.0f, 0.3f}});
    write_steps("ksPlaneY", {{0.0f, 0.6f}});
    write_steps("ksPlaneSize", {{0.0f, 0.2f}});
    write_steps("ksCow1X", {{0.0f, 0.1f}});
    write_steps("ksCow1Y", {{0.0f, 0.1f}});
    write_steps("ksCow1Size", {{0.0f, 0.3f}});
    write_steps("ksCow2X", {{0.0f, 0.6f}});
    write_steps("ksCow2Y", {{0.0f, 0.1f}, {1.0f, 1.0f}, {2.0f, 1.01f}});
    write_steps("ksCow2Size", {{0.0f, 0.2f}});
    start(new KuSlipp(), 1.0f);

    const GLuint all_drawn = primitives_in_frame(0.0f);
    struct Probe {
        float x, y;
        Rgb want;
    };
    const Probe probes[] = {
        {0.32f, 0.62f, PLANE}, {0.68f, 0.78f, PLANE}, {0.72f, 0.7f, CLEAR}, {0.5f, 0.82f, CLEAR},
        {0.12f, 0.12f, COW},   {0.38f, 0.38f, COW},   {0.42f, 0.2f, CLEAR}, {0.62f, 0.12f, COW},
        {0.78f, 0.28f, COW},   {0.82f, 0.2f, CLEAR},
    };
    for (const Probe& p : probes)
        expect_rgb(pixel_at(p.x, p.y), p.want, where(0.0f, p.x, p.y), 0);

    // At y = 1 the second cow lies wholly above the screen but is still drawn; past 1 it is
    // left out.
    EXPECT_EQ(primitives_in_frame(1.0f), all_drawn);
    expect_rgb(pixel_at(0.7f, 0.2f), CLEAR, "second cow gone from below", 0);
    EXPECT_LT(primitives_in_frame(2.0f), all_drawn);
}

// The build's pictures and the show's tracks: mid-stretch the clouds, the gaps between them,
// the plane and a falling cow all show.
class KuSlippShowTest : public SceneTest {};

TEST_F(KuSlippShowTest, SkyPlaneAndCowInItsStretch)
{
    start_in_show(new KuSlipp(), "kuslipp");
    frame(552.0f);
    const int gaps = count_pixels([](const Rgb& p) { return p.r == CLEAR.r && p.g == CLEAR.g && p.b == CLEAR.b; });
    const int clouds = count_pixels([](const Rgb& p) { return p.r > 235 && p.g > 235 && p.b > 235; });
    const int plane_stripe = count_pixels([](const Rgb& p) { return p.r > 170 && p.g < 90 && p.b < 90; });
    const int cow_patches = count_pixels([](const Rgb& p) { return p.r < 50 && p.g < 50 && p.b < 50; });
    EXPECT_GT(gaps, 100);
    EXPECT_GT(clouds, 100);
    EXPECT_GT(plane_stripe, 5);
    EXPECT_GT(cow_patches, 20);
}
