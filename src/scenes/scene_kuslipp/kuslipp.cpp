#include "scenes/scene_kuslipp/kuslipp.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include "util/helpers/helpers.h"
#include "util/math/vector3.h"
#include "util/music/music.h"
#include "util/texture/texture.h"

namespace {

const int SKY_BLUE = 0x6BD0DC;

struct TrackDefault {
    const char* name;
    float value;
};

// Registered in this order: the sky's texture offsets, then the left edge, bottom edge and
// height (screen fractions) of the plane and of each cow.
const TrackDefault TRACKS[] = {
    {"ksSkyX", 0.0f},
    {"ksSkyY", 0.0f},
    {"ksPlaneX", 0.0f},  {"ksPlaneY", 0.0f},  {"ksPlaneSize", 0.5f},
    {"ksCow1X", 0.0f},   {"ksCow1Y", 0.0f},   {"ksCow1Size", 0.5f},
    {"ksCow2X", 0.0f},   {"ksCow2Y", 0.0f},   {"ksCow2Size", 0.5f},
};

// One full-screen quad with the texture coordinates (s, t) at its lower left corner and
// (s + width, t + height) at its upper right.
void textured_screen(float s, float t, float width, float height)
{
    glBegin(GL_QUADS);
    glTexCoord2f(s, t);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s + width, t);
    glVertex2f(1.0f, 0.0f);
    glTexCoord2f(s + width, t + height);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(s, t + height);
    glVertex2f(0.0f, 1.0f);
    glEnd();
}

} // namespace

KuSlipp::KuSlipp() = default;

KuSlipp::~KuSlipp()
{
    delete second_cow;
    delete first_cow;
    delete plane;
    delete sky;
}

void KuSlipp::init()
{
    sky = new Texture("data/kuslipp/skyer.png", Texture::MIPMAPS, Texture::REPEAT);
    plane = new Texture("data/kuslipp/fly.png", Texture::MIPMAPS, Texture::CLAMP_TO_EDGE);
    first_cow = new Texture("data/kuslipp/flyveku_stage1.png", Texture::MIPMAPS, Texture::CLAMP_TO_EDGE);
    second_cow = new Texture("data/kuslipp/flyveku_stage1.png", Texture::MIPMAPS, Texture::CLAMP_TO_EDGE);
    for (const TrackDefault& track : TRACKS)
        music->add_sync_track(track.name, track.value, true);
}

void KuSlipp::reshape(int w, int h) { Scene::reshape(w, h); }

void KuSlipp::render()
{
    const Vector3 blue = color_from_hex(SKY_BLUE);
    glClearColor(blue.x, blue.y, blue.z, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    draw_sky(music->get_sync_value("ksSkyX"), music->get_sync_value("ksSkyY"));
    draw_picture(plane, music->get_sync_value("ksPlaneX"), music->get_sync_value("ksPlaneY"),
                 music->get_sync_value("ksPlaneSize"));
    draw_picture(first_cow, music->get_sync_value("ksCow1X"), music->get_sync_value("ksCow1Y"),
                 music->get_sync_value("ksCow1Size"));
    draw_picture(second_cow, music->get_sync_value("ksCow2X"), music->get_sync_value("ksCow2Y"),
                 music->get_sync_value("ksCow2Size"));
}

void KuSlipp::draw_sky(float x, float y)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_CUBE_MAP);
    glDisable(GL_LIGHTING);
    sky->bind(0);

    glPushAttrib(GL_TRANSFORM_BIT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);

    textured_screen(x, y, 1.0f, 0.3f);
    // The front layer moves 1.5 times as fast across and twice as fast up.
    textured_screen(1.5f * x, 2.0f * y, 2.0f, 0.5f);

    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void KuSlipp::draw_picture(Texture* picture, float x, float y, float size)
{
    // Written so that a NaN position is skipped as well.
    if (!(y <= 1.0f)) return;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    picture->draw_aligned(x, y, size, aspect, true);
}
