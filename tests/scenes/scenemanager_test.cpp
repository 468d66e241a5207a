// The scene manager over stand-in scenes and post passes with known colours and arithmetic:
// scene selection and layering, the post chain's order, the letterbox, the end of the music.
#include "scenes/scenemanager.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>

#include "effects/postproc/radblur.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/ascii/asciiengine.h"
#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderbank.h"

namespace {

using Keys = std::vector<std::tuple<int, float, int>>;

// Keys that hold values[i] from row 8 * i on.
Keys steps(const std::vector<float>& values)
{
    Keys keys;
    for (size_t i = 0; i < values.size(); ++i) keys.emplace_back(static_cast<int>(8 * i), values[i], 0);
    return keys;
}

const TestSignal& short_signal()
{
    static TestSignal signal = make_sine_signal(11025, 44100, {440.0, 660.0}, {0.5, 0.25});
    return signal;
}

struct StandIns {
    std::vector<ColourScene*> scenes; // places 0 to 3; the others are empty
    std::vector<ArithmeticPass*> passes;
};

// The manager's sources: a stepped (or real) music on the folder's music, the stand-in passes
// "Half" (x 0.5) and "Quarter" (+ 0.25) and the stand-in scenes.
SceneManager::Sources stand_in_sources(const std::string& music_path, StandIns& stand_ins,
                                       std::vector<ColourScene*> scenes, bool stepped)
{
    stand_ins.scenes = scenes;
    SceneManager::Sources sources;
    sources.make_music = [music_path, stepped](bool preload_pcm, int sync_mode) -> Music* {
        if (stepped) return new SteppedMusic(music_path.c_str(), 145.0f, 0.0f, preload_pcm, sync_mode);
        return new Music(music_path.c_str(), 145.0f, 0.0f, preload_pcm, sync_mode);
    };
    sources.make_post_effects = [&stand_ins](std::vector<Effects::PostProc*>& effects) {
        stand_ins.passes.push_back(new ArithmeticPass("Half", "0.5", "0.0"));
        stand_ins.passes.push_back(new ArithmeticPass("Quarter", "1.0", "0.25"));
        for (ArithmeticPass* pass : stand_ins.passes) effects.push_back(pass);
    };
    sources.make_scene = [&stand_ins](int index) -> Scene* {
        return index < static_cast<int>(stand_ins.scenes.size()) ? stand_ins.scenes[static_cast<size_t>(index)] : nullptr;
    };
    return sources;
}

void write_default_tracks(const ShowFolder& folder)
{
    folder.write_constant("ActiveScene1st", 0.0f);
    folder.write_track("ActiveScene2nd", {});
    folder.write_track("ActiveScene3rd", {});
    for (const char* name : {"ppHalf", "ppQuarter"}) folder.write_constant(name, -1.0f);
    for (const char* name : {"ppHalfAmount", "ppQuarterAmount"}) folder.write_track(name, {});
}

void expect_colour(const std::vector<unsigned char>& rgba, int r, int g, int b, const std::string& where)
{
    ASSERT_EQ(rgba.size(), 4u);
    EXPECT_NEAR(rgba[0], r, 2) << where;
    EXPECT_NEAR(rgba[1], g, 2) << where;
    EXPECT_NEAR(rgba[2], b, 2) << where;
}

class SceneManagerGl : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        SceneManager::reset_state();
        folder = std::make_unique<ShowFolder>();
        music_path = folder->write_music(short_signal());
        write_default_tracks(*folder);
    }
    void TearDown() override
    {
        manager.reset();
        folder.reset();
        GlTest::TearDown();
    }

    void build(float aspect, std::vector<ColourScene*> scenes, bool stepped = true)
    {
        sources = stand_in_sources(music_path, stand_ins, scenes, stepped);
        manager = std::make_unique<SceneManager>(WINDOW_WIDTH, WINDOW_HEIGHT, aspect, false, 0, sources);
        // Paused at the start: the music counts as running, and the test moves its clock.
        if (stepped) manager->get_music()->pause();
    }

    std::unique_ptr<ShowFolder> folder;
    std::string music_path;
    StandIns stand_ins;
    SceneManager::Sources sources;
    std::unique_ptr<SceneManager> manager;
};

int current_program()
{
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

} // namespace

TEST_F(SceneManagerGl, ScenesAreSelectedAndLayeredInTrackOrder)
{
    const float nan = std::nanf("");
    // The places of the show's table; the stand-ins fill the first four, the others are empty.
    const float past_the_table = static_cast<float>(SceneManager::SCENE_COUNT);
    folder->write_track("ActiveScene1st", steps({0, 2, -0.9f, -1, 3, 5}));
    folder->write_track("ActiveScene2nd", steps({1, 1, -1, past_the_table, 3, 1}));
    folder->write_track("ActiveScene3rd", steps({2, 0, nan, past_the_table - 0.5f, -1, 1e30f}));
    build(1.0f, {new ColourScene(1, 0, 0, 1.0f), new ColourScene(0, 1, 0, 0.5f), new ColourScene(0, 0, 1, 0.25f),
                 new ColourScene(0.25f, 0.25f, 0.25f, 1.0f, true)});
    ASSERT_EQ(manager->get_scenes().size(), static_cast<size_t>(SceneManager::SCENE_COUNT));
    struct Case {
        int centre[3], ring[3], edge[3];
        int renders[4];
    };
    const Case cases[] = {
        {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {1, 1, 1, 0}}, // 1st, 2nd, 3rd over each other
        {{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {1, 1, 1, 0}}, // the full scene last covers all
        {{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {1, 0, 0, 0}}, // -0.9 truncates to scene 0; NaN is off
        {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0, 0}},       // -1, past the table and the last place, empty
        {{128, 128, 128}, {128, 128, 128}, {128, 128, 128}, {0, 0, 0, 2}}, // one scene twice
        {{0, 255, 0}, {0, 255, 0}, {0, 0, 0}, {0, 1, 0, 0}},   // an empty place and 1e30 draw nothing
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        manager->get_music()->set_row(static_cast<int>(8 * i));
        int before[4];
        for (int s = 0; s < 4; ++s) before[s] = stand_ins.scenes[static_cast<size_t>(s)]->renders;
        manager->render_frame();
        FBO* picture = manager->get_frame_fbo(0);
        std::string label = "case " + std::to_string(i);
        expect_colour(fbo_pixel(picture, 128, 128), c.centre[0], c.centre[1], c.centre[2], label + " centre");
        expect_colour(fbo_pixel(picture, 80, 128), c.ring[0], c.ring[1], c.ring[2], label + " ring");
        expect_colour(fbo_pixel(picture, 10, 10), c.edge[0], c.edge[1], c.edge[2], label + " edge");
        for (int s = 0; s < 4; ++s) {
            EXPECT_EQ(stand_ins.scenes[static_cast<size_t>(s)]->renders - before[s], c.renders[s]) << label << " scene " << s;
        }
    }
    // Scenes are reshaped to the frame's target and drawn with their time range from 0.
    EXPECT_EQ(stand_ins.scenes[0]->width, 256);
    EXPECT_FLOAT_EQ(stand_ins.scenes[0]->start_time, 0.0f);
    EXPECT_EQ(stand_ins.scenes[0]->key_state, stand_ins.scenes[1]->key_state);
    EXPECT_EQ(manager->get_frame_counter(), 6);
}

TEST_F(SceneManagerGl, PostPassesRunInTheirTracksOrder)
{
    // Half multiplies by 0.5, Quarter adds 0.25 + its Amount; the scene is 0.4 grey.
    folder->write_track("ppHalf", steps({1, 2, 1, 0, -1, -1}));
    folder->write_track("ppQuarter", steps({2, 1, 1, -1, -1, 0}));
    folder->write_track("ppQuarterAmount", steps({0, 0, 0, 0, 0, 0.25f}));
    build(1.0f, {new ColourScene(0.4f, 0.4f, 0.4f, 1.0f)});
    ArithmeticPass* half = stand_ins.passes[0];
    ArithmeticPass* quarter = stand_ins.passes[1];
    struct Case {
        int grey;
        bool intermediate_pass; // the second frame FBO is drawn into
        int program;            // 0: the bank's plain texture, 1: Half's, 2: Quarter's
    };
    const Case cases[] = {
        {115, true, 2},  // Half, then Quarter: 0.4 * 0.5 + 0.25
        {83, true, 1},   // Quarter, then Half: (0.4 + 0.25) * 0.5
        {115, true, 2},  // equal values keep the list order
        {51, false, 1},  // 0.0 is active; one pass draws straight into the window
        {102, false, 0}, // none: the plain texture program
        {230, false, 2}, // Quarter's Amount comes from its track
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        std::string label = "case " + std::to_string(i);
        manager->get_music()->set_row(static_cast<int>(8 * i));
        FBO* second = manager->get_frame_fbo(1);
        second->push(true);
        glClearColor(1, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        second->pop();
        manager->render_frame();
        expect_colour(window_pixel(128, 128), c.grey, c.grey, c.grey, label);
        std::vector<unsigned char> marker = fbo_pixel(second, 5, 5);
        EXPECT_EQ(marker != (std::vector<unsigned char>{255, 0, 255, 255}), c.intermediate_pass) << label;
        const ShaderProgram* plain = manager->get_shader_bank()->get_shader(SHADER_SLOT_PLAIN_TEXTURE);
        int expected_program = c.program == 0 ? static_cast<int>(plain->get_program())
                               : c.program == 1 ? static_cast<int>(half->program->get_program())
                                                : static_cast<int>(quarter->program->get_program());
        EXPECT_EQ(current_program(), expected_program) << label;
    }
    // Each active pass was prepared once per frame; the last, alone, with the scenes' picture.
    EXPECT_EQ(half->prepares, 4);
    EXPECT_EQ(quarter->prepares, 4);
    EXPECT_EQ(quarter->last_source, manager->get_frame_fbo(0));
}

TEST_F(SceneManagerGl, RadblurAtStrengthZeroPassesThePictureOnUnchanged)
{
    // An orange square of half side 0.25 with Half and the real Radblur around the centre.
    folder->write_track("ppHalf", steps({-1, 1, 1, -1, -1}));
    folder->write_track("ppRadblur", steps({0, 2, 0, 0, -1}));
    folder->write_track("ppRadblurStrength", steps({0, 0, -0.5f, 1, 0}));
    for (const char* name : {"ppRadblurCntrX", "ppRadblurCntrY", "ppRadblurStep"}) folder->write_track(name, {});
    sources = stand_in_sources(music_path, stand_ins, {new ColourScene(1.0f, 0.5f, 0.0f, 0.25f)}, true);
    sources.make_post_effects = [this](std::vector<Effects::PostProc*>& effects) {
        stand_ins.passes.push_back(new ArithmeticPass("Half", "0.5", "0.0"));
        effects.push_back(stand_ins.passes[0]);
        effects.push_back(new Effects::Radblur());
    };
    manager = std::make_unique<SceneManager>(WINDOW_WIDTH, WINDOW_HEIGHT, 1.0f, false, 0, sources);
    manager->get_music()->pause();

    // Across the square's left edge, where a blur towards the centre shows.
    const int xs[] = {60, 90, 94, 100, 128};
    auto row_of_pixels = [&](int row) {
        manager->get_music()->set_row(row);
        manager->render_frame();
        std::vector<std::vector<unsigned char>> pixels;
        for (int x : xs) pixels.push_back(window_pixel(x, 128));
        return pixels;
    };
    const std::vector<std::vector<unsigned char>> plain = row_of_pixels(32);
    EXPECT_EQ(row_of_pixels(0), plain) << "Radblur alone, strength 0";
    EXPECT_NE(row_of_pixels(24), plain) << "Radblur alone, strength 1";
    for (int row : {8, 16}) {
        // Half first and Radblur last, then Radblur (strength below 0) first and Half last.
        const std::vector<std::vector<unsigned char>> halved = row_of_pixels(row);
        for (size_t i = 0; i < plain.size(); ++i) {
            expect_colour(halved[i], plain[i][0] / 2, plain[i][1] / 2, plain[i][2] / 2,
                          "row " + std::to_string(row) + " x " + std::to_string(xs[i]));
        }
    }
}

TEST_F(SceneManagerGl, TracksAreRegisteredWithTheEffectsDefaults)
{
    // No keys in the parameter tracks: each reads the default its effect gave.
    build(1.0f, {new ColourScene(1, 1, 1, 1.0f)});
    Music* music = manager->get_music();
    EXPECT_FLOAT_EQ(music->get_sync_value("ActiveScene1st"), 0.0f);
    EXPECT_FLOAT_EQ(music->get_sync_value("ActiveScene2nd"), -1.0f);
    EXPECT_FLOAT_EQ(music->get_sync_value("ActiveScene3rd"), -1.0f);
    EXPECT_FLOAT_EQ(music->get_sync_value("ppHalfAmount"), 0.0f);
    EXPECT_FLOAT_EQ(music->get_sync_value("ppQuarterAmount"), 0.0f);
}

TEST(SceneManagerLetterbox, PictureSizesInDouble)
{
    struct Case {
        int w, h;
        float aspect;
        int picture_w, picture_h;
    };
    const float wide = 16.0f / 9.0f, tv = 4.0f / 3.0f;
    const Case cases[] = {
        {1920, 1080, tv, 1440, 1080}, {1024, 768, wide, 1024, 575}, {1920, 1080, wide, 1920, 1079},
        {1280, 720, wide, 1280, 719}, {800, 600, tv, 800, 599},     {1440, 1080, tv, 1440, 1079},
        {640, 0, wide, 1, 1},         // height 0 counts as 1
        {1, 1, wide, 1, 1},           // a side that would be 0 stays 1
    };
    for (const Case& c : cases) {
        std::pair<int, int> size = SceneManager::letterbox_size(c.w, c.h, c.aspect);
        EXPECT_EQ(size, std::make_pair(c.picture_w, c.picture_h)) << c.w << " x " << c.h;
    }
}

TEST_F(SceneManagerGl, ResizeLetterboxesEveryTarget)
{
    build(16.0f / 9.0f, {new ColourScene(1, 1, 1, 1.0f)});
    manager->resize(1280, 720);
    EXPECT_EQ(manager->get_picture_width(), 1280);
    EXPECT_EQ(manager->get_picture_height(), 719);
    for (FBO* fbo : {manager->get_scene_fbo(), manager->get_frame_fbo(0), manager->get_frame_fbo(1)}) {
        EXPECT_EQ(fbo->get_width(), 1280);
        EXPECT_EQ(fbo->get_height(), 719);
    }
    AsciiEngine* ascii = manager->get_ascii_engine();
    // The engine letterboxes the picture again: 1280 x 719 is a little wider than 16:9.
    EXPECT_EQ(ascii->viewport_width, 1278);
    EXPECT_EQ(ascii->viewport_height, 719);
    EXPECT_EQ(ascii->viewport_x, 1);
    manager->resize(3, 0);
    EXPECT_EQ(manager->get_picture_width(), 1);
    EXPECT_EQ(manager->get_picture_height(), 1);
}

TEST_F(SceneManagerGl, WideAspectLeavesBlackRowsAboveAndBelow)
{
    // 256 / (16/9) = 143.99999: the picture is 143 rows high at row 56, the row below it black.
    build(16.0f / 9.0f, {new ColourScene(1, 1, 1, 1.0f)});
    manager->render_frame();
    expect_colour(window_pixel(128, 55), 0, 0, 0, "below");
    expect_colour(window_pixel(128, 56), 255, 255, 255, "first row");
    expect_colour(window_pixel(128, 198), 255, 255, 255, "last row");
    expect_colour(window_pixel(128, 199), 0, 0, 0, "above");
}

TEST_F(SceneManagerGl, NarrowAspectLeavesBarsLeftAndRight)
{
    build(0.5f, {new ColourScene(1, 1, 1, 1.0f)});
    manager->render_frame();
    expect_colour(window_pixel(63, 128), 0, 0, 0, "left bar");
    expect_colour(window_pixel(64, 128), 255, 255, 255, "first column");
    expect_colour(window_pixel(191, 128), 255, 255, 255, "last column");
    expect_colour(window_pixel(192, 128), 0, 0, 0, "right bar");
}

TEST_F(SceneManagerGl, TheEndOfTheMusicPostsOneQuitAndDrawsNoMore)
{
    build(1.0f, {new ColourScene(1, 1, 1, 1.0f)}, false);
    manager->start();
    // A quarter of a second of music, played in real time by the silent device.
    for (int pass = 0; pass < 100000 && !SceneManager::quit_is_posted(); ++pass) {
        manager->render_frame();
        SDL_Delay(1);
    }
    ASSERT_TRUE(SceneManager::quit_is_posted());
    int frames = manager->get_frame_counter();
    int renders = stand_ins.scenes[0]->renders;
    EXPECT_GT(frames, 0);
    for (int pass = 0; pass < 5; ++pass) manager->render_frame();
    EXPECT_EQ(manager->get_frame_counter(), frames);
    EXPECT_EQ(stand_ins.scenes[0]->renders, renders);
    SDL_Event events[8];
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(events, 8, SDL_GETEVENT, SDL_QUITMASK), 1);
}
