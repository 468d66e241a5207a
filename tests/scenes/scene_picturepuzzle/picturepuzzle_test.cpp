// The puzzle scene in the GL fixture: a small picture of known alphas and colours, a board of
// one grey, the build's shaders, a beeper note, and "puProgress" keyed beat by beat.
#include "scenes/scene_picturepuzzle/picturepuzzle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/flat_scene_fixture.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/fbo/fbo.h"
#include "util/math/matrix4.h"
#include "util/music/music.h"
#include "util/objects3d/node3d.h"
#include "util/shaderprogram/shaderbank.h"

namespace {

const float SPACING = 1.2f * PicturePuzzle::CUBE_SIZE;

// 4 x 2 pixels, top row first: red, alpha 25, green at alpha 26, clear; blue, white, alpha
// 24, yellow at alpha 100. Five cubes; in GL row order (bottom row first) blue comes first.
const std::vector<unsigned char> PICTURE = {
    255, 0, 0, 255,   255, 0, 0, 25,       0, 255, 0, 26, 0, 0, 0, 0,
    0, 0, 255, 255,   255, 255, 255, 255,  9, 9, 9, 24,   255, 255, 0, 100,
};
const int PICTURE_W = 4, PICTURE_H = 2;

// Beats of the frames: "puProgress" is -0.01 in the first, 0 in the second, 1 in the third
// and 5 in the fourth; the beeper sounds from 2.25 to 2.75.
const float HIDDEN = 0.5f, SCATTERED = 1.5f, GLOWING = 2.5f, ASSEMBLED = 3.5f;

std::string midi_varlen(unsigned value)
{
    std::string out(1, static_cast<char>(value & 0x7F));
    while (value >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    return out;
}

// A format-1 file at 96 ticks a beat with one track, "Rave beeper", and one note.
std::string beeper_midi(float on, float off)
{
    const std::string name = "Rave beeper";
    std::string events = std::string("\x00\xFF\x03", 3) + static_cast<char>(name.size()) + name;
    events += midi_varlen(static_cast<unsigned>(on * 96)) + std::string("\x90\x45\x64", 3);
    events += midi_varlen(static_cast<unsigned>((off - on) * 96)) + std::string("\x80\x45\x00", 3);
    events += std::string("\x00\xFF\x2F\x00", 4);
    auto be32 = [](unsigned v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    return std::string("MThd", 4) + be32(6) + std::string("\x00\x01\x00\x01\x00\x60", 6) + "MTrk" +
           be32(static_cast<unsigned>(events.size())) + events;
}

class PicturePuzzleTest : public GlTest {
protected:
    void TearDown() override
    {
        if (scene) scene->release();
        scene.reset();
        shared_fbo.reset();
        bank.reset();
        music.reset();
        GlTest::TearDown();
    }

    void start(const std::vector<unsigned char>& picture, int w, int h)
    {
        folder.write_file("data/picturepuzzle/giraff.png", rgba_png(w, h, picture));
        folder.write_file("data/picturepuzzle/tavle_bg.png", solid_png(8, 8, {64, 64, 64}));
        folder.write_file("notes.mid", beeper_midi(2.25f, 2.75f));
        const int beat = ROWS_PER_BEAT;
        folder.write_track("puProgress", {std::make_tuple(0, -0.01f, 0), std::make_tuple(beat, 0.0f, 0),
                                          std::make_tuple(2 * beat, 1.0f, 0), std::make_tuple(3 * beat, 5.0f, 0)});
        folder.write_track("puInterval", {});
        TestSignal silence;
        silence.samples.assign(44100 * 2 * 2, 0);
        music.reset(new SteppedMusic(folder.write_music(silence).c_str(), 145.0f, 0.0f, false, 0));
        music->load_midi("notes.mid");
        bank.reset(new ShaderBank());
        shared_fbo.reset(new FBO(WINDOW_WIDTH, WINDOW_HEIGHT, FBO_TYPE_COLOR_MIPMAP));
        scene.reset(new PicturePuzzle());
        scene->set_time_range(0.0f, 5000.0f);
        scene->set_music(music.get());
        scene->set_shader_bank(bank.get());
        scene->set_fbo(shared_fbo.get());
        scene->set_aspect(1.0f);
        scene->init();
        scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
    }

    // One frame at that beat (the clock set to its row) into the cleared window.
    void frame(float beat)
    {
        music->set_row(static_cast<int>(beat * ROWS_PER_BEAT));
        scene->reset_gl_state();
        scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render();
        glFinish();
    }

    // Where the cube stands at grid cell c.
    void expect_cube_at(size_t cube, const IntVector3& c, const std::string& what)
    {
        const float cx = PICTURE_W * SPACING * 0.5f, cz = PICTURE_H * SPACING * 0.5f;
        const Matrix4& m = scene->get_cube_nodes()[cube]->transform;
        EXPECT_NEAR(m.get(12), cx - SPACING * c.x, 1e-5f) << what << ", cube " << cube;
        EXPECT_NEAR(m.get(13), SPACING * c.y + SPACING, 1e-5f) << what << ", cube " << cube;
        EXPECT_NEAR(m.get(14), SPACING * c.z - cz, 1e-5f) << what << ", cube " << cube;
    }

    static constexpr int ROWS_PER_BEAT = 8;
    ShowFolder folder;
    std::unique_ptr<SteppedMusic> music;
    std::unique_ptr<ShaderBank> bank;
    std::unique_ptr<FBO> shared_fbo;
    std::unique_ptr<PicturePuzzle> scene;
};

// Pixels of the window whose one channel stands out from the other two.
int count_tinted(const std::vector<unsigned char>& rgba, int channel)
{
    int count = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const int c = rgba[i + channel], a = rgba[i + (channel + 1) % 3], b = rgba[i + (channel + 2) % 3];
        if (c > a + 40 && c > b + 40) ++count;
    }
    return count;
}

int count_lit(const std::vector<unsigned char>& rgba)
{
    int count = 0;
    for (size_t i = 0; i < rgba.size(); i += 4)
        if (rgba[i] || rgba[i + 1] || rgba[i + 2]) ++count;
    return count;
}

} // namespace

TEST_F(PicturePuzzleTest, OpaqueEnoughPixelsBecomeCubesOnAGridHalfAgainTheLongerSide)
{
    start(PICTURE, PICTURE_W, PICTURE_H);
    EXPECT_EQ(scene->get_grid_size(), 6);
    ASSERT_EQ(scene->get_cube_nodes().size(), 5u);
    const std::vector<PuzzleStep>& plan = scene->get_plan();
    ASSERT_GE(plan.size(), 2u);
    // GL row order: the picture's bottom row (blue, white, yellow) first, then red and green.
    const std::vector<IntVector3> targets = {IntVector3(0, 0, 0), IntVector3(1, 0, 0), IntVector3(3, 0, 0),
                                             IntVector3(0, 0, 1), IntVector3(2, 0, 1)};
    EXPECT_EQ(plan.back(), targets);
}

TEST_F(PicturePuzzleTest, ProgressPlacesTheCubesFromTheScatterToThePicture)
{
    start(PICTURE, PICTURE_W, PICTURE_H);
    const std::vector<PuzzleStep>& plan = scene->get_plan();

    frame(SCATTERED);
    for (size_t i = 0; i < plan[0].size(); ++i) expect_cube_at(i, plan[0][i], "progress 0");
    frame(GLOWING);
    for (size_t i = 0; i < plan.back().size(); ++i) expect_cube_at(i, plan.back()[i], "progress 1");
    frame(ASSEMBLED);
    for (size_t i = 0; i < plan.back().size(); ++i) expect_cube_at(i, plan.back()[i], "progress 5");
}

TEST_F(PicturePuzzleTest, DrawsLitCubesOverTheBoardAndNothingBelowZeroProgress)
{
    start(PICTURE, PICTURE_W, PICTURE_H);
    frame(HIDDEN);
    EXPECT_EQ(count_lit(read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT)), 0);

    frame(ASSEMBLED);
    const std::vector<unsigned char> picture = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    EXPECT_GT(count_lit(picture), WINDOW_WIDTH * WINDOW_HEIGHT / 2) << "the board fills the view";
    EXPECT_GT(count_tinted(picture, 0), 0) << "the red cube";
    EXPECT_GT(count_tinted(picture, 1), 0) << "the green cube";
    EXPECT_GT(count_tinted(picture, 2), 0) << "the blue cube";
}

TEST_F(PicturePuzzleTest, TheBeeperMakesCubesGlowOnlyWhileItSounds)
{
    start(PICTURE, PICTURE_W, PICTURE_H);
    auto glow_pixels = [&] {
        shared_fbo->push(false);
        glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
        const std::vector<unsigned char> rgba = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
        shared_fbo->pop();
        return count_lit(rgba);
    };
    auto window = [] { return read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT); };
    frame(ASSEMBLED);
    const std::vector<unsigned char> quiet = window();
    EXPECT_EQ(scene->get_glow_box().width, 0);

    auto min_filter = [&] {
        GLint filter = 0;
        shared_fbo->bind_texture(0, 0);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        return filter;
    };
    const GLint own_filter = min_filter();
    frame(GLOWING);
    EXPECT_GT(glow_pixels(), 0);
    // The glow was read at its own size without its lower levels; the buffer's filter is back.
    EXPECT_EQ(min_filter(), own_filter);
    EXPECT_EQ(own_filter, GL_LINEAR_MIPMAP_LINEAR);
    const std::vector<unsigned char> glowing = window();
    // The blur was drawn only inside a box around the glowing cubes: the same blur over the
    // whole window is black outside it.
    const GlowBox box = scene->get_glow_box();
    ASSERT_GT(box.width, 0);
    ASSERT_GT(box.height, 0);
    EXPECT_LT(box.width * box.height, WINDOW_WIDTH * WINDOW_HEIGHT / 2);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    bank->bind(SHADER_SLOT_BLUR);
    shared_fbo->draw();
    const std::vector<unsigned char> blurred = window();
    int inside = 0, outside = 0;
    for (int y = 0; y < WINDOW_HEIGHT; ++y)
        for (int x = 0; x < WINDOW_WIDTH; ++x) {
            const unsigned char* p = &blurred[(static_cast<size_t>(y) * WINDOW_WIDTH + static_cast<size_t>(x)) * 4];
            if (!(p[0] || p[1] || p[2])) continue;
            const bool in = x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
            ++(in ? inside : outside);
        }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
    // The frame added the blurred glow at half strength (halfway through the note) there.
    int bright = 0;
    for (size_t i = 0; i < blurred.size(); ++i) {
        if (i % 4 == 3 || blurred[i] < 60) continue;
        ++bright;
        EXPECT_GE(glowing[i] + 3, blurred[i] / 2) << "byte " << i;
    }
    EXPECT_GT(bright, 0);

    // After the note no glow is left over, although the shared buffer still holds the last one.
    frame(ASSEMBLED);
    EXPECT_EQ(scene->get_glow_box().width, 0);
    EXPECT_EQ(window(), quiet);
}

TEST_F(PicturePuzzleTest, AFaintPictureGivesOnlyTheBoard)
{
    const std::vector<unsigned char> faint = {255, 0, 0, 25, 0, 255, 0, 0, 0, 0, 255, 10, 255, 255, 255, 24};
    start(faint, 2, 2);
    EXPECT_TRUE(scene->get_cube_nodes().empty());
    frame(GLOWING);
    const std::vector<unsigned char> picture = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    EXPECT_GT(count_lit(picture), 0);
    EXPECT_EQ(count_tinted(picture, 0) + count_tinted(picture, 1) + count_tinted(picture, 2), 0);
}
