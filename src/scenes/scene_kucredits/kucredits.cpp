#include "scenes/scene_kucredits/kucredits.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include "util/helpers/helpers.h"
#include "util/math/vector3.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/text/text.h"
#include "util/texture/texture.h"

namespace {

const char* const FONT = "data/common/fonts/LiberationMono-Regular.ttf";

struct Credit {
    const char* role;
    const char* handle; // the credited person's own name, printed as it is
    const char* x_track;
    const char* y_track;
};

const Credit CREDITS[] = {
    {"graphics:", "pell", "cr1X", "cr1Y"},
    {"code:", "orva", "cr2X", "cr2Y"},
    {"music:", "vane", "cr3X", "cr3Y"},
};

struct TrackDefault {
    const char* name;
    float value;
};

// Registered after the text, in this order ("crGlow" comes before it).
const TrackDefault TRACKS[] = {
    {"crStart", 200.0f},   // beat at which the first block is fully visible
    {"crEnd", 220.0f},     // beat after which the first block fades out
    {"crFadeSpeed", 2.0f}, // fade-in and fade-out length in beats
    {"crDelay", 1.0f},     // stagger between the blocks in beats
    {"crSpacing", 0.1f},   // from a role line up to its handle line (screen fraction)
    {"cr1X", 0.5f},        {"cr1Y", 0.5f}, {"cr2X", 0.5f}, {"cr2Y", 0.5f},
    {"cr3X", 0.5f},        {"cr3Y", 0.5f},
};

} // namespace

KuCredits::KuCredits() = default;

KuCredits::~KuCredits()
{
    delete text;
    delete moon;
}

void KuCredits::init()
{
    moon = new Texture("data/kucredits/kyr_maane.png", Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE);
    music->add_sync_track("crGlow", 0.0f, true);
    text = new Text(FONT, 48);
    for (const TrackDefault& track : TRACKS)
        music->add_sync_track(track.name, track.value, true);
}

void KuCredits::reshape(int w, int h)
{
    Scene::reshape(w, h);
    text->Reshape(w, h);
}

void KuCredits::render()
{
    const float t = music->get_beat();

    // The moon in the colour the scene starts with, then its blurred copy added on top. The
    // blur is the same on every frame: it is kept, and only its strength (the alpha) changes;
    // at 0 or below it adds nothing.
    moon->draw(0.0f, 0.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    const float glow = music->get_sync_value("crGlow");
    glColor4f(1.0f, 1.0f, 1.0f, glow);
    if (glow > 0.0f) blurred_moon.draw(*shader_bank, [this] { moon->draw(0.0f, 0.0f, 1.0f, 1.0f); });

    begin_pixel_overlay();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const float start = music->get_sync_value("crStart");
    const float end = music->get_sync_value("crEnd");
    const float fade = music->get_sync_value("crFadeSpeed");
    const float delay = music->get_sync_value("crDelay");
    const float spacing = music->get_sync_value("crSpacing");
    const Vector3 white(1.0f, 1.0f, 1.0f);
    const Vector3 grey(0.5f, 0.5f, 0.5f);
    for (int i = 0; i < 3; ++i) {
        const Credit& credit = CREDITS[i];
        const float stagger = static_cast<float>(i) * delay;
        const float alpha = fade_envelope(t, start + stagger, end + stagger, fade);
        const float x = music->get_sync_value(credit.x_track);
        const float y = music->get_sync_value(credit.y_track);
        // Printed also when fully transparent.
        text->print_shadowed(x, y, 0.15f, white, grey, alpha, "%s", credit.role);
        text->print_shadowed(x, y + spacing, 0.15f, white, grey, alpha, "%s", credit.handle);
    }
}
