#include "scenes/scene_stagelights/stagelights.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "support/flat_scene_fixture.h"
#include "effects/firesl/firesl.h"
#include "util/fbo/fbo.h"
#include "scenes/note_tracks.h"

namespace {

const std::vector<std::string> TRACKS = {"slColor0", "slColor1", "slColor2", "slColor3", "slLuminance",
                                         "slTrack0", "slTrack1", "slTrack2", "slTrack3"};

// Each instrument sounds alone for one beat: the beeper's four notes over beat 1, the sub's
// two over beat 2, the siren's three over beat 3; nothing sounds before beat 1.
std::string three_instruments()
{
    using fixtures::held_notes_track;
    return fixtures::held_notes_file(
        {held_notes_track("Rave beeper", 0, {{60, 1, 2}, {64, 1, 2}, {67, 1, 2}, {72, 1, 2}}),
         held_notes_track("Sub", 1, {{36, 2, 3}, {43, 2, 3}}),
         held_notes_track("Sirene", 2, {{76, 3, 4}, {79, 3, 4}, {81, 3, 4}})});
}

// The same instruments, each holding one note from beat 10 on: nothing sounds before.
std::string late_instruments()
{
    using fixtures::held_notes_track;
    return fixtures::held_notes_file({held_notes_track("Rave beeper", 0, {{60, 10, 11}}),
                                      held_notes_track("Sub", 1, {{36, 10, 11}}),
                                      held_notes_track("Sirene", 2, {{76, 10, 11}})});
}

class StageLightsTest : public FlatSceneTest {
protected:
    void start_scene(const std::string& notes = three_instruments())
    {
        const std::string scenes = std::string(PELLORVANE_BINARY_DIR) + "/data/scenes";
        (void)!symlink(scenes.c_str(), "data/scenes");
        notes_midi = notes;
        start(new StageLights(), TRACKS);
    }

    // The lights buffer of the last frame as float RGBA, bottom row first.
    std::vector<float> lights()
    {
        FBO* buffer = static_cast<StageLights*>(scene.get())->get_lights_buffer();
        std::vector<float> rgba(static_cast<size_t>(buffer->get_width() * buffer->get_height() * 4));
        buffer->push(false);
        glReadPixels(0, 0, buffer->get_width(), buffer->get_height(), GL_RGBA, GL_FLOAT, rgba.data());
        buffer->pop();
        return rgba;
    }
};

} // namespace

TEST_F(StageLightsTest, RegistersItsTracksInOrderWithTheirDefaults)
{
    start_scene();
    const float defaults[] = {1.0f, 0.25f, 0.75f, 0.5f, 0.5f, -1.0f, -1.0f, -1.0f, -1.0f};
    ASSERT_EQ(music->sync_tracks.size(), TRACKS.size());
    for (size_t i = 0; i < TRACKS.size(); ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACKS[i]);
        EXPECT_EQ(music->get_sync_value(TRACKS[i]), defaults[i]) << TRACKS[i];
    }
}

TEST(StageLightsBeams, TheBeamsOfAnInstrumentSpreadAroundTheTarget)
{
    const struct {
        float target_x, spread;
        int count;
        std::vector<float> want;
    } cases[] = {
        {0.0f, 1.8f, 4, {-1.8f, -0.9f, 0.0f, 0.9f}},
        {1.0f, 1.2f, 3, {-0.2f, 0.6f, 1.4f}},
        {0.5f, 1.8f, 1, {-1.3f}},
        {0.0f, 1.8f, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        const std::vector<float> got = StageLights::beam_positions(c.target_x, c.spread, c.count);
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], c.want[i], 1e-5f) << i;
    }
}

TEST(StageLightsBeams, TheGroupsAimAtTheirMovingTargets)
{
    const struct {
        int group;
        float t;
        float x, y;
    } cases[] = {
        {0, 0.0f, 0.0f, -3.1218f},
        {1, 0.0f, 0.0f, -3.1218f},
        {2, 0.0f, 4.0f, 0.1f},
        {0, 10.0f, 1.6f * std::sin(3.1f), 0.7f * std::cos(5.6f) - 3.5f},
        {2, 10.0f, std::cos(2.1f) + 3.0f, 1.1f * std::cos(3.6f) - 1.0f},
    };
    for (const auto& c : cases) {
        const Vector3 target = StageLights::beam_target(c.group, c.t);
        EXPECT_NEAR(target.x, c.x, 1e-4f) << c.group << " at " << c.t;
        EXPECT_NEAR(target.y, c.y, 1e-4f) << c.group << " at " << c.t;
        EXPECT_EQ(target.z, -20.0f);
    }
}

TEST_F(StageLightsTest, WithNoNoteSoundingTheLightsStayDark)
{
    start_scene();
    for (float beat : {0.5f, 4.5f}) {
        frame(beat);
        for (float value : lights())
            ASSERT_EQ(value, 0.0f) << "beat " << beat;
        // Stage and smoke still make a picture.
        const Rgb middle = colour_at(0.5f, 0.5f);
        EXPECT_GT(middle.r + middle.g + middle.b, 0) << "beat " << beat;
    }
}

TEST_F(StageLightsTest, SoundingNotesLightTheirGroupsBeamsInTheGroupsColour)
{
    start_scene();
    // The colours of hue 0.5 (cyan), 0.2 (yellow-green) and 1 (red) at full saturation.
    const struct {
        float beat;
        float r, g, b;
    } cases[] = {
        {1.5f, 0.0f, 1.0f, 1.0f},
        {2.5f, 0.8f, 1.0f, 0.0f},
        {3.5f, 1.0f, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.beat);
        frame(c.beat);
        const std::vector<float> rgba = lights();
        int lit = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) {
            const float strength = std::max(rgba[i], std::max(rgba[i + 1], rgba[i + 2]));
            if (strength < 0.05f) continue;
            ++lit;
            ASSERT_NEAR(rgba[i] / strength, c.r, 0.02f) << "pixel " << i / 4;
            ASSERT_NEAR(rgba[i + 1] / strength, c.g, 0.02f) << "pixel " << i / 4;
            ASSERT_NEAR(rgba[i + 2] / strength, c.b, 0.02f) << "pixel " << i / 4;
        }
        EXPECT_GT(lit, 100);
    }
}

// The smoke of a fresh scene is the same at the same beat, so two frames that differ only in
// the notes sounding differ by the light of the beams: inside a beam at least 0.85 of its
// light (more through thick smoke), and nothing away from the beams. The stage reads the
// beams filtered, so their edges soften by a pixel or two.
TEST_F(StageLightsTest, TheBeamsLightUpTheStageInTheShownPicture)
{
    start_scene(late_instruments());
    frame(1.5f);
    const std::vector<unsigned char> unlit = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    start_scene();
    frame(1.5f);
    const std::vector<unsigned char> shown = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    const std::vector<float> beams = lights();
    ASSERT_EQ(beams.size(), shown.size());
    auto strength = [&](int x, int y) {
        const size_t i = (static_cast<size_t>(y) * WINDOW_WIDTH + static_cast<size_t>(x)) * 4;
        return std::max(beams[i], std::max(beams[i + 1], beams[i + 2]));
    };
    // The least and the greatest strength round a pixel.
    auto around = [&](int x, int y, int reach) {
        float least = 1e9f, most = 0.0f;
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                const int xx = std::clamp(x + dx, 0, WINDOW_WIDTH - 1), yy = std::clamp(y + dy, 0, WINDOW_HEIGHT - 1);
                least = std::min(least, strength(xx, yy));
                most = std::max(most, strength(xx, yy));
            }
        return std::make_pair(least, most);
    };
    int inside = 0;
    for (int y = 0; y < WINDOW_HEIGHT; ++y)
        for (int x = 0; x < WINDOW_WIDTH; ++x) {
            const size_t i = (static_cast<size_t>(y) * WINDOW_WIDTH + static_cast<size_t>(x)) * 4;
            if (around(x, y, 3).second == 0.0f) {
                for (size_t c = 0; c < 3; ++c)
                    ASSERT_EQ(static_cast<int>(shown[i + c]), static_cast<int>(unlit[i + c])) << "(" << x << ", " << y << ") away from the beams";
            } else if (around(x, y, 1).first > 0.1f) {
                ++inside;
                for (size_t c = 0; c < 3; ++c) {
                    const float least = std::min(255.0f, unlit[i + c] + 0.85f * 255.0f * beams[i + c]);
                    ASSERT_GE(static_cast<int>(shown[i + c]), least - 2.0f) << "(" << x << ", " << y << ") channel " << c;
                }
            }
        }
    EXPECT_GT(inside, 100);
}

TEST(StageLightsSmoke, OnlyAScenePastTheBufferBothWaysLeavesTheSmokeUnshrunk)
{
    const struct {
        int w, h;
        bool shrunk;
    } cases[] = {{1280, 719, false}, {512, 512, false}, {511, 720, true},
                 {1280, 511, true},  {256, 256, true},  {1, 1, true}};
    for (const auto& c : cases)
        EXPECT_EQ(StageLights::smoke_is_shrunk(c.w, c.h), c.shrunk) << c.w << " x " << c.h;
}

// The smoke buffers are filtered with their mipmaps only while the scene shrinks them; when it
// does again, the lower levels hold the smoke as it is now.
TEST_F(StageLightsTest, TheSmokeKeepsItsMipmapsOnlyWhileTheSceneShrinksIt)
{
    start_scene();
    StageLights& lights = *static_cast<StageLights*>(scene.get());
    auto min_filter = [&](int i) {
        lights.get_smoke()->get_buffer(i)->bind_texture(0, 0);
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        return filter;
    };
    frame(4.5f); // the window is smaller than the buffers
    for (int i = 0; i < 2; ++i) EXPECT_EQ(min_filter(i), GL_LINEAR_MIPMAP_LINEAR) << i;

    lights.reshape(640, 512);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(min_filter(i), GL_LINEAR) << i;
    for (int k = 0; k < 6; ++k) lights.render(); // the smoke moves on, read at its full level

    lights.reshape(640, 480);
    const int side = Effects::Fire::BUFFER_SIZE;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(min_filter(i), GL_LINEAR_MIPMAP_LINEAR);
        std::vector<float> full(static_cast<size_t>(side * side * 4)), half(full.size() / 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, full.data());
        glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_FLOAT, half.data());
        double worst = 0.0, total = 0.0;
        for (int y = 0; y < side / 2; ++y)
            for (int x = 0; x < side / 2; ++x)
                for (int c = 0; c < 3; ++c) {
                    auto at = [&](int xx, int yy) { return full[static_cast<size_t>((yy * side + xx) * 4 + c)]; };
                    const double mean = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                         at(2 * x + 1, 2 * y + 1)) / 4.0;
                    const double level = half[static_cast<size_t>((y * side / 2 + x) * 4 + c)];
                    worst = std::max(worst, std::fabs(level - mean));
                    total += level;
                }
        EXPECT_GT(total, 0.0); // there is smoke to compare
        EXPECT_LT(worst, 1e-4);
    }
}
