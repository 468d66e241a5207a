#include "util/data/loadingbar.h"

#include <SDL/SDL.h>
#include <cstdio>
#include <vector>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/data/datafile.h"
#include "util/texture/image_fixtures.h"

namespace {

DWORD g_now = 1000;
DWORD g_step = 0; // added after every reading, so a fade can run on the fake clock
DWORD fake_ticks()
{
    DWORD now = g_now;
    g_now += g_step;
    return now;
}

// A drawn frame drains the event queue: an event pushed before a call tells whether it drew.
void push_marker()
{
    SDL_Event event = {};
    event.type = SDL_USEREVENT;
    SDL_PushEvent(&event);
}
bool marker_taken()
{
    SDL_PumpEvents();
    SDL_Event event;
    bool left = SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_EVENTMASK(SDL_USEREVENT)) > 0;
    return !left;
}

// Read mode with count packed entries, loaded of them handed out.
void packed_entries(int count, int loaded)
{
    DataFile::set_mode(DATAFILE_MODE_READ);
    for (int i = 0; i < count; ++i) {
        DataEntry* entry = new DataEntry;
        entry->name = "e" + std::to_string(i);
        entry->loaded = i < loaded;
        DataFile::entries.push_back(entry);
    }
}

// The screen's frames are drawn into a framebuffer object bound for the whole test, where
// they stay after the buffer swap.
class Canvas {
public:
    Canvas()
    {
        glGenRenderbuffersEXT(1, &colour);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, colour);
        glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, 256, 256);
        glGenFramebuffersEXT(1, &fbo);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colour);
    }
    ~Canvas()
    {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glDeleteFramebuffersEXT(1, &fbo);
        glDeleteRenderbuffersEXT(1, &colour);
    }

private:
    GLuint fbo = 0;
    GLuint colour = 0;
};

std::vector<unsigned char> screen_pixel(int x, int y)
{
    std::vector<unsigned char> px(4);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

} // namespace

// The loading bar is module state (not initialised, drawing, finished) that the scene manager and
// the start-up also drive: every case starts it, and the data layer it counts, as a new process
// has them, and puts them back so again.
class LoadingBarGl : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
        LoadingBar::reset_state();
        DataFile::reset_state();
        g_now = 1000;
        g_step = 0;
        LoadingBar::set_clock(fake_ticks);
        LoadingBar::set_progress_source(DataFile::packed_progress);
    }
    void TearDown() override
    {
        LoadingBar::reset_state(); // while the context of its textures is current
        DataFile::reset_state();
        EXPECT_EQ(chdir(folder), 0);
        GlTest::TearDown();
    }

private:
    char folder[4096] = {};
};

TEST_F(LoadingBarGl, DrawBeforeInitDoesNothingAndUnforcedDrawsArePaced)
{
    push_marker();
    LoadingBar::draw(1.0f, true);
    EXPECT_FALSE(marker_taken());

    LoadingBar::init(WINDOW_WIDTH, WINDOW_HEIGHT, 1.0f); // draws at 1000, next at 1040
    push_marker();
    g_now = 1010;
    LoadingBar::draw(1.0f, false);
    EXPECT_FALSE(marker_taken()) << "a second call 10 ms later draws nothing";
    g_now = 1040;
    LoadingBar::draw(1.0f, false);
    EXPECT_TRUE(marker_taken()) << "40 ms after the last frame";
    push_marker();
    g_now = 1050;
    LoadingBar::draw(1.0f, true);
    EXPECT_TRUE(marker_taken()) << "a forced draw is not paced";
}

TEST_F(LoadingBarGl, PauseCountsFromTheEndOfASlowFrame)
{
    g_step = 50; // every reading of the clock is 50 ms later: a frame takes 50 ms
    LoadingBar::init(WINDOW_WIDTH, WINDOW_HEIGHT, 1.0f); // drawn from 1000 to 1050
    g_step = 0;
    push_marker();
    g_now = 1060;
    LoadingBar::draw(1.0f, false);
    EXPECT_FALSE(marker_taken()) << "only 10 ms after the frame ended";
    g_now = 1090;
    LoadingBar::draw(1.0f, false);
    EXPECT_TRUE(marker_taken());
}

TEST_F(LoadingBarGl, ViewIsLetterboxedInFloat)
{
    // 1280 / (16/9 as a float) rounds to 720 in float; double precision would give 719.
    LoadingBar::init(1280, 1024, 16.0f / 9.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 152);
    EXPECT_EQ(viewport[2], 1280);
    EXPECT_EQ(viewport[3], 720);

    g_now += 1000;
    LoadingBar::init(1000, 400, 4.0f / 3.0f); // wider than 4:3: full height
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], (1000 - 533) / 2);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 533);
    EXPECT_EQ(viewport[3], 400);
}

TEST_F(LoadingBarGl, FillEndAndColourFollowThePackedEntries)
{
    // 256 x 256, aspect 1: the bar spans y 0.05..0.1 (rows 13..25), the fill x 0.1..end.
    Canvas canvas;
    packed_entries(10, 5);
    LoadingBar::init(WINDOW_WIDTH, WINDOW_HEIGHT, 1.0f);
    LoadingBar::draw(0.5f, true);
    EXPECT_EQ(screen_pixel(120, 19)[0], 255) << "half loaded: white fill to x = 0.5";
    EXPECT_EQ(screen_pixel(136, 19)[0], 0);
    EXPECT_EQ(screen_pixel(20, 19)[0], 0) << "left of the frame";
    EXPECT_EQ(screen_pixel(200, 24)[0], 255) << "top edge";
    EXPECT_EQ(screen_pixel(200, 22)[0], 0) << "inside the frame, past the fill";

    DataFile::entries[5]->loaded = true;
    LoadingBar::draw(0.5f, true);
    EXPECT_NEAR(screen_pixel(120, 19)[0], 128, 1) << "past half: the brightness colour";
    EXPECT_NEAR(screen_pixel(146, 19)[0], 128, 1) << "fill to x = 0.58";
    EXPECT_EQ(screen_pixel(156, 19)[0], 0);
}

TEST_F(LoadingBarGl, LogoFillsTheViewAndTheFadeEndsDark)
{
    TempDir dir;
    fixtures::Picture logo = fixtures::sample_picture(2, 8, 16, 9);
    for (auto& px : logo.pixels) px = {255, 0, 0};
    dir.write("data/common/images/tarnholm_logo_16_9.png", fixtures::str(fixtures::png_file(logo, false)));
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    Canvas canvas;

    LoadingBar::init(WINDOW_WIDTH, WINDOW_HEIGHT, 1.0f);
    LoadingBar::load_logo();
    LoadingBar::draw(1.0f, true);
    std::vector<unsigned char> centre = screen_pixel(128, 128);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);
    EXPECT_EQ(screen_pixel(128, 19)[0], 255) << "the white bar over the logo";

    packed_entries(2, 2); // all loaded: the bar fades with the logo
    g_step = 60;
    LoadingBar::finish();
    for (int y : {19, 128, 250}) EXPECT_EQ(screen_pixel(128, y), std::vector<unsigned char>({0, 0, 0, 255})) << y;

    push_marker();
    LoadingBar::draw(1.0f, true);
    EXPECT_FALSE(marker_taken()) << "nothing is drawn after the fade";
}

// Loading frames at full brightness put back the pixels of the first frame that drew the logo
// instead of filtering the logo again: every such frame must be the one drawing it gives, in a
// letterboxed view too, and leave the logo bound as drawing it does. The fade draws the logo.
TEST_F(LoadingBarGl, LoadingFramesRepeatTheDrawnLogoExactly)
{
    TempDir dir;
    const fixtures::Picture logo = fixtures::sample_picture(6, 8, 37, 21);
    dir.write("data/common/images/tarnholm_logo_16_9.png", fixtures::str(fixtures::png_file(logo, false)));
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    Canvas canvas;
    LoadingBar::init(WINDOW_WIDTH, WINDOW_HEIGHT, 16.0f / 9.0f);
    LoadingBar::load_logo();
    packed_entries(4, 1); // the bar stands still, so frames differ only in how the logo came
    std::vector<unsigned char> first(WINDOW_WIDTH * WINDOW_HEIGHT * 4), later(first.size());
    LoadingBar::draw(1.0f, true); // draws the logo and keeps the view
    glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, first.data());
    GLint logo_binding = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &logo_binding);
    for (int frame = 0; frame < 2; ++frame) {
        glClearColor(0.5f, 0.25f, 0.75f, 1.0f); // what loading code leaves must not show
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        LoadingBar::draw(1.0f, true);
        glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, later.data());
        EXPECT_TRUE(later == first) << "frame " << frame << " differs from the drawn logo's";
        GLint binding = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
        EXPECT_EQ(binding, logo_binding) << "the logo stays bound on unit 0";
    }
    const size_t centre = 4 * (128 * WINDOW_WIDTH + 128);
    EXPECT_GT(first[centre] + first[centre + 1] + first[centre + 2], 0) << "the logo is in the view";

    g_step = 100; // the fade draws the logo dimmed and ends black
    LoadingBar::finish();
    for (int y : {128, 160}) {
        std::vector<unsigned char> px = screen_pixel(128, y);
        px.pop_back(); // the logo's own alpha stays
        EXPECT_EQ(px, std::vector<unsigned char>({0, 0, 0})) << y;
    }
}

TEST(LoadingBarExit, EscapeOrCloseDuringLoadingEndsWithOneAndRemovesTheTemporaryFiles)
{
    // The threadsafe style starts the test program anew for each run, so the temporary file has
    // a fixed name that the new process and this one agree on.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (bool escape : {true, false}) {
        const std::string temp = std::string(PELLORVANE_BINARY_DIR) + "/loadingbar_exit_" +
                                 (escape ? "escape" : "close") + ".tmp";
        FILE* file = std::fopen(temp.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
        EXPECT_EXIT(
            {
                open_gl_window(64, 64);
                LoadingBar::set_quit_cleanup(DataFile::delete_temp_files);
                LoadingBar::init(64, 64, 1.0f);
                DataFile::temp_files.push_back(temp);
                SDL_Event event = {};
                if (escape) {
                    event.type = SDL_KEYDOWN;
                    event.key.keysym.sym = SDLK_ESCAPE;
                } else {
                    event.type = SDL_QUIT;
                }
                SDL_PushEvent(&event);
                LoadingBar::draw(1.0f, true);
                std::_Exit(0); // not reached
            },
            ::testing::ExitedWithCode(1), "")
            << escape;
        EXPECT_NE(access(temp.c_str(), F_OK), 0) << escape;
        std::remove(temp.c_str());
    }
    GTEST_FLAG_SET(death_test_style, style);
}
