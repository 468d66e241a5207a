#include "scenes/scene_kutemp/kutemp.h"

#include <GL/glew.h>

#include "scenes/scene/picture.h"
#include "util/music/music.h"
#include "util/texture/texture.h"

namespace {

// The row a progress value selects: truncated toward zero and at most the last, so -0.5 still
// selects row 0 and any larger value, however huge or infinite, the last; -1 or less and NaN
// select none (-1). Clamped as a float first, so no value too large for an int reaches the
// conversion.
int row_of(float progress)
{
    if (!(progress > -1.0f)) return -1;
    if (progress >= static_cast<float>(KuTemp::ROWS - 1)) return KuTemp::ROWS - 1;
    return static_cast<int>(progress);
}

} // namespace

KuTemp::KuTemp() = default;

KuTemp::~KuTemp()
{
    for (int k = 0; k < ROWS; ++k) {
        delete thermometers[k];
        delete cows[k];
    }
}

void KuTemp::init()
{
    cows[1] = load_picture("data/kutemp/ku_0_grader.png");
    cows[0] = load_picture("data/kutemp/ku_minus_100.png");
    cows[2] = load_picture("data/kutemp/ku_100_grader.png");
    thermometers[0] = load_picture("data/kutemp/gradestokk.png");
    thermometers[1] = load_picture("data/kutemp/gradestokk_0.png");
    thermometers[2] = load_picture("data/kutemp/gradestokk_100.png");
    music->add_sync_track("ktProgress", 0.0f, true);
    music->add_sync_track("ktPicFade", 0.0f, true);
}

void KuTemp::reshape(int w, int h) { Scene::reshape(w, h); }

void KuTemp::render()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const int k = row_of(music->get_sync_value("ktProgress"));

    // The thermometer in the colour the scene starts with.
    if (k >= 0) thermometers[k]->draw_aligned(0.1f, 0.3f, 0.65f, aspect, true);

    glColor4f(1.0f, 1.0f, 1.0f, music->get_sync_value("ktPicFade"));
    if (k >= 0) cows[k]->draw_keep_aspect(0.3f, 0.22f, 0.45f, aspect);
}
