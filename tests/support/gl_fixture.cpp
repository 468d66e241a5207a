#include "support/gl_fixture.h"

#include <cstdio>

namespace {
bool g_window_open = false;
}

void open_gl_window(int width, int height)
{
    if (g_window_open) return;
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    ASSERT_NE(SDL_SetVideoMode(width, height, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    ASSERT_EQ(glewInit(), static_cast<GLenum>(GLEW_OK));
    g_window_open = true;
}

void close_gl_window()
{
    if (!g_window_open) return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    g_window_open = false;
}

void GlTest::SetUp()
{
    open_gl_window(WINDOW_WIDTH, WINDOW_HEIGHT);
    glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GlTest::TearDown()
{
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The next case gets a new window and context: none depends on the GL state an earlier
    // one left, and a child process forked later opens its own display connection instead
    // of sharing this one.
    close_gl_window();
}

std::vector<unsigned char> GlTest::read_rgba(int x, int y, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<unsigned char> GlTest::pixel(int x, int y)
{
    return read_rgba(x, y, 1, 1);
}

ChildResult run_in_gl_child(const std::function<void()>& body, int width, int height)
{
    return run_in_child([&] {
        open_gl_window(width, height);
        body();
    });
}
