#include "scenes/scene_kuvits/kuvits.h"

#include <GL/glew.h>

#include "scenes/scene/picture.h"
#include "util/music/music.h"
#include "util/texture/texture.h"

namespace {

// Registered in this order, after the pictures.
const TrackDefault TRACKS[] = {
    {"kvProgress", 0.0f}, // below 1 the question shows, from 1 on the punch line
    {"kvX", 0.1f},        // the panel's lower left corner and width (screen fractions)
    {"kvY", 0.3f},
    {"kvSize", 0.8f},
};

} // namespace

KuVits::KuVits() = default;

KuVits::~KuVits()
{
    delete punch_line;
    delete question;
}

void KuVits::init()
{
    question = load_picture("data/kuvits/ku_vits_1.png");
    punch_line = load_picture("data/kuvits/ku_vits_2.png");
    add_sync_tracks(TRACKS);
}

void KuVits::render()
{
    glEnable(GL_BLEND);
    const float x = music->get_sync_value("kvX");
    const float y = music->get_sync_value("kvY");
    const float size = music->get_sync_value("kvSize");
    const float progress = music->get_sync_value("kvProgress");
    // Exactly one panel a frame; only a progress of 1 or more shows the punch line.
    Texture* panel = progress < 1.0f ? question : punch_line;
    panel->draw_keep_aspect(x, y, size, aspect);
}
