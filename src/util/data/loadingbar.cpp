#include "util/data/loadingbar.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL/SDL.h>
#include <cstdlib>

#include "util/error/fatal.h"
#include "util/texture/texture.h"

namespace {

const char* const SOURCE = "src\\util\\data\\data";
const char* const LOGO_FILE = "data/common/images/tarnholm_logo_16_9.png";
const DWORD REDRAW_INTERVAL_MS = 40;
const DWORD FADE_MS = 500;

int g_width = 0;
int g_height = 0;
float g_aspect = 1.0f;
Texture* g_logo = nullptr;
// The view as the logo fills it at full brightness, kept from the first frame that drew it.
Texture* g_logo_frame = nullptr;
DWORD g_next_redraw = 0;
unsigned int g_progress = 0;
unsigned int g_total = 150;
bool g_finished = false;
bool g_initialised = false;
LoadingBar::TickQuery g_ticks = GetTickCount;
LoadingBar::ProgressQuery g_progress_source = nullptr;
LoadingBar::QuitCleanup g_quit_cleanup = nullptr;

void quad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3)
{
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glVertex2f(x3, y3);
}

// Escape or a close request ends the program; every other event is dropped.
void drain_events()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if ((event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) || event.type == SDL_QUIT) {
            if (g_quit_cleanup != nullptr) g_quit_cleanup();
            std::exit(1);
        }
    }
}

// A counted source fills the bar to its count; otherwise the fill runs round, one step a frame.
void update_progress()
{
    unsigned int loaded = 0, total = 0;
    if (g_progress_source != nullptr && g_progress_source(&loaded, &total)) {
        g_total = total;
        g_progress = loaded;
    } else {
        g_progress = (g_progress + 1) % g_total;
    }
}

// The view of the wanted aspect ratio, centred; worked out in float.
void set_viewport()
{
    const int height = g_height == 0 ? 1 : g_height;
    int view_width, view_height;
    if (g_aspect < static_cast<float>(g_width) / static_cast<float>(height)) {
        view_width = static_cast<int>(g_aspect * static_cast<float>(height));
        view_height = height;
    } else {
        view_width = g_width;
        view_height = static_cast<int>(static_cast<float>(g_width) / g_aspect);
    }
    glViewport((g_width - view_width) / 2, (height - view_height) / 2, view_width, view_height);
}

// Copies the view just filled with the logo, before anything is drawn over it. Only where the
// frame is read back from the buffer it was drawn into.
void keep_logo_frame()
{
    GLint draw_buffer = 0, read_buffer = 0, view[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_DRAW_BUFFER, &draw_buffer);
    glGetIntegerv(GL_READ_BUFFER, &read_buffer);
    glGetIntegerv(GL_VIEWPORT, view);
    if (draw_buffer != read_buffer || view[2] < 1 || view[3] < 1) return;
    Texture* frame = new Texture();
    frame->create_empty(static_cast<unsigned int>(view[2]), static_cast<unsigned int>(view[3]),
                        Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, view[0], view[1], view[2], view[3]);
    g_logo_frame = frame;
}

// Every loading frame shows the logo at full brightness, the same picture each time, and
// drawing it filtered (trilinear, anisotropic) costs a software renderer most of the frame.
// The first such frame draws it and keeps the view's pixels; later ones put those pixels back
// one for one. The fade, in other brightnesses, draws the logo itself. Either way the logo is
// left bound on unit 0, as its own draw leaves it.
void draw_logo(float brightness)
{
    if (brightness == 1.0f && g_logo_frame != nullptr) {
        g_logo_frame->draw(0.0f, 0.0f, 1.0f, 1.0f);
        g_logo->bind(0);
        return;
    }
    g_logo->draw(0.0f, 0.0f, 1.0f, 1.0f);
    if (brightness == 1.0f) {
        keep_logo_frame();
        g_logo->bind(0);
    }
}

} // namespace

namespace LoadingBar {

void set_clock(TickQuery ticks) { g_ticks = ticks != nullptr ? ticks : GetTickCount; }

void set_progress_source(ProgressQuery query) { g_progress_source = query; }

void set_quit_cleanup(QuitCleanup cleanup) { g_quit_cleanup = cleanup; }

void init(int width, int height, float aspect)
{
    g_width = width;
    g_height = height;
    g_aspect = aspect;
    for (int i = 0; i < 2; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
        SDL_GL_SwapBuffers();
    }
    g_logo = nullptr;
    g_initialised = true;
    draw(1.0f, false);
}

void load_logo()
{
    Texture* tex_loading =
        new Texture(LOGO_FILE, Texture::MIPMAPS, Texture::CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR);
    if (tex_loading == nullptr) FATAL_ERROR(SOURCE, assert_text("tex_loading"));
    g_logo = tex_loading;
}

void draw(float brightness, bool force)
{
    if (g_finished || !g_initialised) return;
    const DWORD now = g_ticks();
    if (!force && now < g_next_redraw) return;
    g_next_redraw = now + REDRAW_INTERVAL_MS;

    drain_events();
    update_progress();
    set_viewport();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor4f(brightness, brightness, brightness, 1.0f);

    if (g_logo != nullptr) draw_logo(brightness);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, 1, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);

    if (g_progress <= g_total / 2) glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    const float left = 0.1f, right = 0.9f, top = 0.1f, bottom = 0.05f;
    const float edge = g_aspect * 0.005f;
    const float side = 0.005f;
    // With nothing to count the fill stays empty.
    const float fill_end =
        g_total > 0 ? left + (right - left) * static_cast<float>(g_progress) / static_cast<float>(g_total) : left;
    glBegin(GL_QUADS);
    quad(left, top, right, top, right, top - edge, left, top - edge);
    quad(left, bottom, right, bottom, right, bottom + edge, left, bottom + edge);
    quad(left, top, left - side, top, left - side, bottom, left, bottom);
    quad(right, top, right + side, top, right + side, bottom, right, bottom);
    quad(left, top, fill_end, top, fill_end, bottom, left, bottom);
    glEnd();

    SDL_GL_SwapBuffers();
    // The pause counts from the end of the frame: where a frame takes longer than the pause
    // (a large window on a software renderer), loading still gets its time between frames.
    const DWORD drawn = g_ticks();
    if (drawn > now) g_next_redraw = drawn + REDRAW_INTERVAL_MS;
}

void finish()
{
    const DWORD end = g_ticks() + FADE_MS;
    DWORD now;
    do {
        now = g_ticks();
        float brightness = static_cast<float>(static_cast<int>(end - now)) / static_cast<float>(FADE_MS);
        if (brightness < 0.0f) brightness = 0.0f;
        draw(brightness, true);
    } while (static_cast<int>(end - now) > 0);
    draw(0.0f, true);
    g_finished = true;
    delete g_logo_frame;
    g_logo_frame = nullptr;
}

} // namespace LoadingBar
