#include "scenes/scene_kuvits/kuvits.h"

#include <GL/glew.h>

#include "scenes/scene/picture.h"
#include "util/music/music.h"
#include "util/texture/texture.h"

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
    music->add_sync_track("kvProgress", 0.0f, true);
    music->add_sync_track("kvX", 0.1f, true);
    music->add_sync_track("kvY", 0.3f, true);
    music->add_sync_track("kvSize", 0.8f, true);
}

void KuVits::reshape(int w, int h) { Scene::reshape(w, h); }

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
