#include "scenes/scene_skyboxweirdness/skyboxweirdness.h"

#include <GL/glew.h>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/audio_fixture.h"
#include "support/flat_scene_fixture.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/fbo/fbo.h"
#include "util/frametimer/frametimer.h"

namespace {

// A microsecond counter that moves on by one at every read, so the frame timer's wait ends.
std::int64_t g_now = 0;

int fake_counter(LARGE_INTEGER* value)
{
    value->QuadPart = g_now++;
    return 1;
}

int fake_frequency(LARGE_INTEGER* value)
{
    value->QuadPart = 1000000;
    return 1;
}

// One plain colour a face, in the order -X, +X, -Y, +Y, -Z, +Z; a blend of any two at a seam
// is still far from black.
const char* const FACES[6] = {"negx", "posx", "negy", "posy", "negz", "posz"};
const Rgb FACE_COLOURS[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};

// The scene in a folder of its own whose sky faces are plain colours, with the frame timer on
// a clock of the test's.
class SkyboxWeirdnessTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        for (int i = 0; i < 6; ++i)
            dir.write(std::string("data/effects/skybox/spacescape_purple_nebula_complex/purple_nebula_complex_") +
                          FACES[i] + ".png",
                      solid_png(8, 8, FACE_COLOURS[i]));
        TestSignal silence;
        silence.samples.assign(4410 * 2, 0);
        dir.write("music.ogg", encode_ogg(silence));
        char buffer[4096];
        previous = getcwd(buffer, sizeof buffer) ? buffer : ".";
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        g_now = 1000000;
        FrameTimer::set_clock(fake_counter, fake_frequency);
        FrameTimer::init();

        music.reset(new BeatMusic("music.ogg"));
        scene.reset(new SkyboxWeirdness());
        scene->set_music(music.get());
        scene->set_aspect(1.0f);
        scene->set_key_state(keys);
        scene->init();
    }

    void TearDown() override
    {
        scene.reset();
        music.reset();
        FrameTimer::set_clock(QueryPerformanceCounter, QueryPerformanceFrequency);
        (void)!chdir(previous.c_str());
        GlTest::TearDown();
    }

    // A frame at the beat after a frame time of `seconds`; returns the frame delta it used.
    float frame(float beat, double seconds)
    {
        g_now += static_cast<std::int64_t>(seconds * 1e6);
        FrameTimer::tick();
        music->set_beat(beat);
        scene->reset_gl_state();
        scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
        scene->render();
        return FrameTimer::frame_delta();
    }

    TempDir dir;
    std::string previous;
    unsigned char keys[82] = {};
    std::unique_ptr<BeatMusic> music;
    std::unique_ptr<SkyboxWeirdness> scene;
};

Camera camera_after_init()
{
    Camera camera;
    camera.look_at(75.0f, -75.0f, 75.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    return camera;
}

void expect_same_view(const Camera& got, const Camera& want)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(got.view_matrix.m[i], want.view_matrix.m[i], 1e-4f) << "element " << i;
}

} // namespace

TEST_F(SkyboxWeirdnessTest, TheCameraLooksAtTheCentreFromInsideTheSkyAtAlmostHalfTheWorld)
{
    const Camera& camera = scene->get_camera();
    const Vector3 eye = camera.get_position();
    EXPECT_NEAR(eye.x, 75.0f, 1e-3f);
    EXPECT_NEAR(eye.y, -75.0f, 1e-3f);
    EXPECT_NEAR(eye.z, 75.0f, 1e-3f);
    expect_same_view(camera, camera_after_init());
    EXPECT_EQ(camera.up.z, 1.0f);
    EXPECT_EQ(camera.fov, 179.0f);
    EXPECT_FLOAT_EQ(camera.znear, 0.2f);
    EXPECT_FLOAT_EQ(camera.zfar, 2000.0f);
}

// Each frame the camera yaws 200 degrees a second of frame time and its field of view is
// 178 + sin t; held keys roll and yaw it further (the zoom keys are overruled by the field of
// view of the frame).
TEST_F(SkyboxWeirdnessTest, TheCameraTurnsByTheFrameTimeAndTheHeldKeys)
{
    const struct {
        int key;
        float roll, yaw; // degrees a second besides the steady yaw
    } cases[] = {
        {-1, 0.0f, 0.0f}, {1, -200.0f, 0.0f}, {2, 200.0f, 0.0f}, {3, 0.0f, -200.0f},
        {4, 0.0f, 200.0f}, {79, 0.0f, 0.0f},   {80, 0.0f, 0.0f},
    };
    Camera want = camera_after_init();
    float beat = 0.0f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        for (unsigned char& key : keys) key = 0;
        if (c.key >= 0) keys[c.key] = 1;
        beat += 0.7f;
        const float dt = frame(beat, 0.05); // the average of the last five frames
        ASSERT_GT(dt, 0.005f);
        if (c.roll != 0.0f) want.roll(c.roll * dt);
        if (c.yaw != 0.0f) want.yaw(c.yaw * dt);
        want.yaw(200.0f * dt);
        expect_same_view(scene->get_camera(), want);
        EXPECT_FLOAT_EQ(scene->get_camera().fov, 178.0f + std::sin(beat));
    }
}

TEST_F(SkyboxWeirdnessTest, EveryPixelOfAFrameIsSkyEvenAtTheSeams)
{
    // Beats at the narrowest and the widest field of view and between, after turns of all
    // sizes.
    const struct {
        float beat;
        double seconds;
    } frames[] = {{4.712f, 0.0}, {1.571f, 0.2}, {3.0f, 0.25}, {10.0f, 0.1}, {20.0f, 0.25}};
    for (const auto& f : frames) {
        SCOPED_TRACE(f.beat);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        frame(f.beat, f.seconds);
        const std::vector<unsigned char> picture = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
        int dark = 0;
        for (size_t i = 0; i < picture.size(); i += 4)
            if (picture[i] + picture[i + 1] + picture[i + 2] < 200) ++dark;
        EXPECT_EQ(dark, 0);
    }
}

// As the show draws it: a 16:9 picture in a frame-buffer object, the sky edge to edge.
TEST_F(SkyboxWeirdnessTest, AShowSizedFrameIsSkyEdgeToEdge)
{
    const int width = 640, height = 359;
    scene->set_aspect(16.0f / 9.0f);
    FBO target(width, height, FBO_TYPE_COLOR);
    for (float beat : {4.712f, 1.571f, 7.0f}) {
        SCOPED_TRACE(beat);
        g_now += 100000;
        FrameTimer::tick();
        music->set_beat(beat);
        target.push(true);
        scene->reset_gl_state();
        scene->reshape(width, height);
        scene->render();
        const std::vector<unsigned char> picture = read_rgba(0, 0, width, height);
        target.pop();
        int dark = 0;
        for (size_t i = 0; i < picture.size(); i += 4)
            if (picture[i] + picture[i + 1] + picture[i + 2] < 200) ++dark;
        EXPECT_EQ(dark, 0);
    }
}
