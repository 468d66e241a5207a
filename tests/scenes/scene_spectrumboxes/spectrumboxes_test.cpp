#include "scenes/scene_spectrumboxes/spectrumboxes.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/audio_fixture.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/fbo/fbo.h"
#include "util/objects3d/prefabs.h"

namespace {

const int ENDS[SpectrumBoxes::BANDS] = {1, 2, 3, 4, 6, 10, 16, 25, 40, 64, 101, 161, 256, 406, 645, 1023};

// The band values of a spectrum of 1.0 in every bin.
const float FLAT_ONE_BANDS[SpectrumBoxes::BANDS] = {0.97992f, 0.97992f, 0.97992f, 0.97992f, 1.36134f, 1.86816f,
                                                    2.23224f, 1.87591f, 1.89121f, 1.97934f, 2.10371f, 2.01614f,
                                                    1.90146f, 1.89257f, 1.79373f, 1.74411f};
const float FLAT_ONE_SUM = 26.5796f;
const float FLAT_ONE_LOW_FIVE = 5.28104f;

std::vector<float> flat_spectrum(float value) { return std::vector<float>(SpectrumBoxes::SPECTRUM_SIZE, value); }

std::vector<float> bands_of(const std::vector<float>& spectrum)
{
    std::vector<float> values(SpectrumBoxes::BANDS, -1.0f);
    SpectrumBoxes::compute_bands(spectrum.data(), SpectrumBoxes::BANDS, values.data());
    return values;
}

TEST(SpectrumBoxesBands, EachBandEndsAtItsBinAndBinZeroIsNeverRead)
{
    for (int band = 0; band < SpectrumBoxes::BANDS; ++band) EXPECT_EQ(SpectrumBoxes::band_end(band), ENDS[band]) << band;

    // One loud bin at a time lights exactly the band that holds it.
    int band = 0;
    for (int bin = 0; bin < SpectrumBoxes::SPECTRUM_SIZE; ++bin) {
        std::vector<float> spectrum = flat_spectrum(0.0f);
        spectrum[static_cast<size_t>(bin)] = 4.0f;
        const std::vector<float> values = bands_of(spectrum);
        if (bin > ENDS[band]) ++band;
        for (int b = 0; b < SpectrumBoxes::BANDS; ++b) {
            const bool lit = bin > 0 && b == band;
            ASSERT_EQ(values[static_cast<size_t>(b)] > 0.0f, lit) << "bin " << bin << ", band " << b;
        }
    }

    // A flat spectrum: wide bands are scaled down so that all stand about as high.
    const std::vector<float> flat = bands_of(flat_spectrum(1.0f));
    for (int b = 0; b < SpectrumBoxes::BANDS; ++b) EXPECT_NEAR(flat[static_cast<size_t>(b)], FLAT_ONE_BANDS[b], 1e-4f) << b;
    const std::vector<float> silent = bands_of(flat_spectrum(0.0f));
    for (float value : silent) EXPECT_EQ(value, 0.0f);

    // Only the bands asked for are written.
    float five[SpectrumBoxes::BANDS];
    for (float& value : five) value = -1.0f;
    SpectrumBoxes::compute_bands(flat_spectrum(1.0f).data(), 5, five);
    EXPECT_NEAR(five[4], FLAT_ONE_BANDS[4], 1e-4f);
    EXPECT_EQ(five[5], -1.0f);
}

TEST(SpectrumBoxesBands, AStackHasACubeForEveryStartedTwentiethUpToFiftyTwo)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float value;
        int cubes;
    } cases[] = {
        {0.0f, 0}, {-0.5f, 0}, {nan, 0},  {0.01f, 1},  {0.05f, 1}, {0.051f, 2},
        {0.99f, 20}, {2.5f, 50}, {2.6f, 52}, {5.0f, 52}, {1e30f, 52},
    };
    for (const auto& c : cases) EXPECT_EQ(SpectrumBoxes::stack_height(c.value), c.cubes) << c.value;
}

// A GL window with a scene over a music of the test's own at 60 BPM, so a beat is a second:
// 176400 bytes of 16-bit stereo.
class SpectrumBoxesTest : public GlTest {
protected:
    static constexpr double BYTES_PER_BEAT = 176400.0;

    void SetUp() override
    {
        GlTest::SetUp();
        SpectrumBoxes::reset_state();
    }

    void TearDown() override
    {
        if (scene) scene->release();
        scene.reset();
        music.reset();
        GlTest::TearDown();
    }

    // Two seconds of a 1 kHz tone (bin 46, band 9) at half scale, in the left channel a tone
    // of its own frequency when given; the angle track is empty (its default) unless given.
    void start(const float* angle = nullptr, double left_frequency = 1000.0)
    {
        if (angle)
            folder.write_constant("sbAngle", *angle);
        else
            folder.write_track("sbAngle", {});
        const std::string path = folder.write_music(make_sine_signal(88200, 44100, {left_frequency, 1000.0}, {0.5, 0.5}));
        scene.reset();
        music.reset(); // one music at a time: the audio device is opened once
        music.reset(new SteppedMusic(path.c_str(), 60.0f, 0.0f, false, 0));
        scene.reset(new SpectrumBoxes());
        scene->set_music(music.get());
        scene->set_aspect(1.0f);
        scene->init();
    }

    void set_beat(double beat) { music->position = static_cast<QWORD>(beat * BYTES_PER_BEAT); }

    void frame(double beat)
    {
        set_beat(beat);
        scene->reset_gl_state();
        scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render();
    }

    float history(int row, int band) const
    {
        return scene->get_history()[static_cast<size_t>(row) * SpectrumBoxes::BANDS + static_cast<size_t>(band)];
    }

    ShowFolder folder;
    std::unique_ptr<SteppedMusic> music;
    std::unique_ptr<SpectrumBoxes> scene;
};

TEST_F(SpectrumBoxesTest, InitRegistersTheAngleAndStartsWithAnEmptyHistory)
{
    start();
    ASSERT_EQ(music->sync_tracks.size(), 1u);
    EXPECT_EQ(music->sync_tracks[0].name, "sbAngle");
    EXPECT_EQ(music->get_sync_value("sbAngle"), 0.0f);
    ASSERT_EQ(scene->get_history().size(), static_cast<size_t>(96 * 16));
    for (float value : scene->get_history()) ASSERT_EQ(value, 0.0f);
    EXPECT_EQ(scene->get_last_step_time(), 0.0f);
    scene->release();
    EXPECT_TRUE(scene->get_history().empty());
}

// Every call feeds a flat spectrum of its own level, so the rows it added can be told apart.
TEST_F(SpectrumBoxesTest, TheHistoryStepsOncePerSixteenthOfABeat)
{
    start();
    const struct {
        float beat;
        int shifts;
        float last_step;
    } calls[] = {
        {0.0625f, 0, 0.0f},     // on the end of a step: not yet taken
        {0.07f, 1, 0.0625f},
        {1.07f, 16, 1.0625f},   // one beat later: sixteen more
        {2.0625f, 15, 2.0f},    // a jump of one beat from a step's end: fifteen
        {1.0f, 0, 2.0f},        // a seek back: none until the music passes the last step
        {2.0625f, 0, 2.0f},
        {2.07f, 1, 2.0625f},
    };
    int total = 0;
    for (size_t i = 0; i < sizeof calls / sizeof calls[0]; ++i) {
        SCOPED_TRACE(calls[i].beat);
        const float level = static_cast<float>(i + 1);
        scene->advance_history(flat_spectrum(level).data(), calls[i].beat);
        EXPECT_EQ(scene->get_last_step_time(), calls[i].last_step);
        EXPECT_FLOAT_EQ(scene->get_pending(), calls[i].beat - calls[i].last_step);
        total += calls[i].shifts;
        // The newest rows are this call's, then the earlier calls' rows in order.
        const float newest = bands_of(flat_spectrum(level))[0];
        for (int row = 0; row < calls[i].shifts; ++row) ASSERT_FLOAT_EQ(history(row, 0), newest) << row;
        if (calls[i].shifts < total) {
            EXPECT_NE(history(calls[i].shifts, 0), newest);
        }
        EXPECT_EQ(history(total, 0), 0.0f) << "older than the first step";
    }

    // A long pause fills all 96 rows with the same row and ends where single steps would.
    scene->advance_history(flat_spectrum(1.0f).data(), 500.0f);
    EXPECT_EQ(scene->get_last_step_time(), 499.9375f);
    EXPECT_EQ(scene->get_pending(), 0.0625f);
    for (int row = 0; row < SpectrumBoxes::HISTORY_ROWS; ++row)
        for (int band = 0; band < SpectrumBoxes::BANDS; ++band)
            ASSERT_NEAR(history(row, band), FLAT_ONE_BANDS[band], 1e-4f) << row << " " << band;
}

// The reading built: the maximum is raised by the sum of all sixteen bands of every row added
// and by the five-band loudness of every frame, so a flat spectrum of 1.0 lights at 0.1987
// once a row of it has been added, and at 1.0 when only its loudness has been seen.
TEST_F(SpectrumBoxesTest, TheLightFollowsTheLowBandsAgainstTheLoudestSum)
{
    start();
    EXPECT_FLOAT_EQ(SpectrumBoxes::loudness_maximum(), 0.1f);
    EXPECT_EQ(SpectrumBoxes::light_level(flat_spectrum(0.0f).data()), 0.0f);
    EXPECT_FLOAT_EQ(SpectrumBoxes::light_level(flat_spectrum(1.0f).data()), 1.0f);
    EXPECT_NEAR(SpectrumBoxes::loudness_maximum(), FLAT_ONE_LOW_FIVE, 1e-3f);

    scene->advance_history(flat_spectrum(1.0f).data(), 1.0f);
    EXPECT_NEAR(SpectrumBoxes::loudness_maximum(), FLAT_ONE_SUM, 1e-3f);
    EXPECT_NEAR(SpectrumBoxes::light_level(flat_spectrum(1.0f).data()), 0.19869f, 1e-4f);
    // Quieter music never lowers it.
    scene->advance_history(flat_spectrum(0.25f).data(), 2.0f);
    EXPECT_NEAR(SpectrumBoxes::loudness_maximum(), FLAT_ONE_SUM, 1e-3f);
    EXPECT_NEAR(SpectrumBoxes::light_level(flat_spectrum(0.25f).data()), 0.19869f / 2.0f, 1e-4f);
}

TEST_F(SpectrumBoxesTest, TheMusicFillsTheRowsAndPastItsEndTheyAreEmpty)
{
    start();
    frame(1.0);
    for (int row = 0; row < 15; ++row) ASSERT_GT(history(row, 9), 0.1f) << "the tone's band, row " << row;
    EXPECT_LT(history(0, 2), history(0, 9) / 10.0f) << "far from the tone";
    EXPECT_EQ(history(15, 9), 0.0f);

    // Half a beat past the end: eight new rows of silence, not the last window again.
    const double end_beat = static_cast<double>(music->num_samples) * 2.0 / BYTES_PER_BEAT;
    ASSERT_NEAR(end_beat, 2.0, 1e-6);
    frame(2.5);
    const int added = 39 - 15; // steps up to 2.4375
    for (int row = 0; row < added; ++row) {
        bool any = false;
        for (int band = 0; band < SpectrumBoxes::BANDS; ++band) any = any || history(row, band) != 0.0f;
        EXPECT_FALSE(any) << "row " << row;
    }
    EXPECT_GT(history(added + 8, 9), 0.1f) << "rows from inside the music move on";
}

TEST_F(SpectrumBoxesTest, TheAngleSwingsTheCameraFromAboveToTheSide)
{
    const struct {
        float angle;
        double beat;
        Vector3 eye, target, up;
    } cases[] = {
        // h = beat / 2
        {0.0f, 0.0, {-5.0f, 45.0f, 1.0f}, {0.0f, -80.0f, -150.0f}, {0.0f, 0.7f, 0.6f}},
        {0.0f, std::acos(-1.0), {10.0f, 35.0f + 10.0f * std::cos(std::acos(-1.0f) / 3.0f), 1.0f},
         {0.0f, -80.0f, -150.0f}, {0.0f, 1.0f, 0.3f}},
        {1.0f, 0.0, {-55.0f, 0.0f, 0.0f}, {0.0f, -30.0f, 0.0f}, {0.0f, 0.7f, 0.6f}},
        {1.0f, 1.5, {-55.0f, 0.0f, 0.0f}, {0.0f, -30.0f, 0.0f},
         {0.0f, 0.3f * std::sin(0.75f) + 0.7f, 0.3f * std::cos(0.75f) + 0.3f}},
        {0.5f, 0.0, {-30.0f, 22.5f, 0.5f}, {0.0f, -55.0f, -75.0f}, {0.0f, 0.7f, 0.6f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "angle " << c.angle << " at " << c.beat);
        start(&c.angle);
        frame(c.beat);
        const Camera& camera = scene->get_camera();
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(camera.position[i], c.eye[i], 1e-4f) << i;
            EXPECT_NEAR(camera.target[i], c.target[i], 1e-4f) << i;
            EXPECT_NEAR(camera.up[i], c.up[i], 1e-4f) << i;
            EXPECT_NEAR(camera.get_position()[i], c.eye[i], 1e-3f) << "from the view matrix, " << i;
        }
    }
}

// Each row turns 3.75 x "sbAngle" degrees about x further than the row before it and stands
// 2.2 further along its own turned depth, so the rows bend down away from the camera. Every
// corner that reaches the window, taken back to the world through the camera, lies on a cube
// of a row so placed, the far rows among them.
TEST_F(SpectrumBoxesTest, TheAngleBendsTheRowsOneAfterTheOther)
{
    const float angle = 0.2f;
    start(&angle);
    // Every row a single grey cube a band, and a frame a whole step after the last one, so
    // the rows have glided one row further away.
    scene->advance_history(flat_spectrum(1e-4f).data(), 6.0f);
    ASSERT_EQ(scene->get_last_step_time(), 5.9375f);
    set_beat(6.0);
    scene->reset_gl_state();
    scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    scene->render();
    const GLint used = glRenderMode(GL_RENDER);
    ASSERT_GT(used, 0) << "nothing drawn, or the feedback buffer overflowed";

    GLdouble projection[16], view[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int i = 0; i < 16; ++i) view[i] = scene->get_camera().get_view_matrix().get_ptr()[i];

    // Where each row stands and how far it has turned, row 1 the nearest lead-in row.
    const int rows = SpectrumBoxes::LEAD_IN_ROWS + SpectrumBoxes::HISTORY_ROWS;
    const double step = 3.75 * angle * std::acos(-1.0) / 180.0;
    std::vector<double> ys(static_cast<size_t>(rows) + 1, -20.0), zs(ys.size(), -2.2);
    for (int k = 1; k <= rows; ++k) {
        ys[static_cast<size_t>(k)] = ys[static_cast<size_t>(k) - 1] - 2.2 * std::sin(k * step);
        zs[static_cast<size_t>(k)] = zs[static_cast<size_t>(k) - 1] - 2.2 * std::cos(k * step);
    }
    int corners = 0, far = 0;
    for (GLint i = 0; i < used;) {
        ASSERT_EQ(static_cast<GLint>(buffer[static_cast<size_t>(i++)]), GL_POLYGON_TOKEN);
        const GLint count = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
        for (GLint k = 0; k < count; ++k, i += 3) {
            const GLfloat* window = &buffer[static_cast<size_t>(i)];
            GLdouble x, y, z;
            ASSERT_TRUE(gluUnProject(window[0], window[1], window[2], view, projection, viewport, &x, &y, &z));
            ++corners;
            EXPECT_GT(x, -17.6 - 1.01);
            EXPECT_LT(x, -17.6 + 15 * 2.2 + 1.01);
            // In the frame of its row the corner lies on the cube's faces, 1 from its middle.
            int row = 0;
            for (int r = 1; r <= rows && row == 0; ++r) {
                const double dy = y - ys[static_cast<size_t>(r)], dz = z - zs[static_cast<size_t>(r)];
                const double c = std::cos(r * step), s = std::sin(r * step);
                if (std::fabs(c * dy - s * dz) < 1.01 && std::fabs(s * dy + c * dz) < 1.01) row = r;
            }
            ASSERT_NE(row, 0) << "a corner at (" << x << ", " << y << ", " << z << ") on no row";
            if (row > rows - 10) ++far;
        }
    }
    EXPECT_GT(corners, 1000);
    EXPECT_GT(far, 100) << "the far rows, bent furthest, are in view";
}

// The stacks as GL sees them: the polygons of a feedback pass and their colours.
class SpectrumBoxesStack : public GlTest {
protected:
    struct Polygon {
        float r, g, b;
        float top; // highest corner, in window rows
    };

    static std::vector<Polygon> feedback(const std::function<void()>& draw)
    {
        std::vector<GLfloat> buffer(1 << 18);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        EXPECT_GE(used, 0) << "feedback buffer overflow";
        std::vector<Polygon> polygons;
        for (GLint i = 0; i < used;) {
            const GLint token = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
            EXPECT_EQ(token, GL_POLYGON_TOKEN);
            if (token != GL_POLYGON_TOKEN) break;
            const GLint corners = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
            Polygon polygon{buffer[static_cast<size_t>(i) + 3], buffer[static_cast<size_t>(i) + 4],
                            buffer[static_cast<size_t>(i) + 5], -1.0f};
            for (GLint k = 0; k < corners; ++k, i += 7)
                polygon.top = std::max(polygon.top, buffer[static_cast<size_t>(i) + 1]);
            polygons.push_back(polygon);
        }
        return polygons;
    }

    void SetUp() override
    {
        GlTest::SetUp();
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-3.0, 3.0, -2.0, 120.0, -10.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

TEST_F(SpectrumBoxesStack, NoCubeForZeroOneGreyCubeForALittleAndFiftyTwoAtMost)
{
    const auto stack = [](float value) {
        return [value] {
            std::vector<GLfloat> quads;
            SpectrumBoxes::append_stack(quads, value, 0.0f);
            Prefabs::draw_cube_quads(quads);
        };
    };
    const size_t per_cube = feedback([] { Prefabs::draw_cube_immediate(2.0); }).size();
    ASSERT_GT(per_cube, 0u);

    EXPECT_TRUE(feedback(stack(0.0f)).empty());

    const std::vector<Polygon> one = feedback(stack(0.01f));
    ASSERT_EQ(one.size(), per_cube);
    for (const Polygon& p : one) {
        EXPECT_NEAR(p.r, 0.1f, 1e-3f);
        EXPECT_NEAR(p.g, 0.1f, 1e-3f);
        EXPECT_NEAR(p.b, 0.1f, 1e-3f);
    }

    const std::vector<Polygon> full = feedback(stack(5.0f));
    ASSERT_EQ(full.size(), 52 * per_cube);
    // The second cube is blue with a little green; the highest ones are white (clamped).
    const Polygon& second = full[per_cube];
    EXPECT_NEAR(second.r, 0.05f, 1e-3f);
    EXPECT_NEAR(second.g, 0.1f, 1e-3f);
    EXPECT_NEAR(second.b, 1.0f, 1e-3f);
    const Polygon& last = full.back();
    EXPECT_NEAR(last.r, 1.0f, 1e-3f);
    EXPECT_NEAR(last.g, 1.0f, 1e-3f);
    // Cubes of edge 2 every 2.2 upwards: the top one reaches 51 x 2.2 + 1.
    float top = 0.0f;
    for (const Polygon& p : full) top = std::max(top, p.top);
    EXPECT_NEAR(top, (51.0f * 2.2f + 1.0f + 2.0f) / 122.0f * WINDOW_HEIGHT, 0.5f);
}

} // namespace

// A frame as the show draws it: into a frame-buffer object of a 16:9 picture. The light
// follows the five lowest bands, so the music has a bass tone (86 Hz, bin 4, band 3) besides
// the 1 kHz one; a tone of 1 kHz alone leaves the landscape in the dark.
TEST_F(SpectrumBoxesTest, AShowSizedFrameShowsTheLitLandscape)
{
    start(nullptr, 44100.0 / 2048.0 * 4.0);
    scene->set_aspect(16.0f / 9.0f);
    FBO target(640, 359, FBO_TYPE_COLOR);
    set_beat(1.0);
    target.push(true);
    scene->reset_gl_state();
    scene->reshape(640, 359);
    scene->render();
    const std::vector<unsigned char> picture = read_rgba(0, 0, 640, 359);
    target.pop();
    int lit = 0, blue = 0;
    for (size_t i = 0; i < picture.size(); i += 4) {
        if (picture[i] + picture[i + 1] + picture[i + 2] > 30) ++lit;
        if (picture[i + 2] > 60 && picture[i + 2] > picture[i] + 30) ++blue;
    }
    EXPECT_GT(lit, 640 * 359 / 20) << "the grey rows and the stacks";
    EXPECT_GT(blue, 100) << "the tone's stacks rise above their grey cube";
}
