#include "scenes/scene_quorelintro/quorelintro.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <cmath>

#include "effects/flag/flag.h"
#include "scenes/scene/picture.h"
#include "util/helpers/helpers.h"
#include "util/math/vector3.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/text/text.h"
#include "util/texture/texture.h"

namespace {

const char* const FONT = "data/common/fonts/LiberationMono-Regular.ttf";
const float FADE = 2.0f; // the fade width of every window, in beats

const char* const INSTRUMENT_FILES[] = {
    "data/quorelintro/klokke.png",     "data/quorelintro/linjal.png",
    "data/quorelintro/multimeter.png", "data/quorelintro/maalebeger.png",
    "data/quorelintro/vekt.png",
};

struct TrackDefault {
    const char* name;
    float value;
};

// Registered in this order; values are beats unless they are positions or sizes (screen
// fractions).
const TrackDefault TRACKS[] = {
    {"miFadeSpeed", 2.0f},  {"miSolStart", 2.0f},  {"miSolEnd", 128.0f},   {"miMiles", 13.0f},
    {"miPints", 14.5f},     {"miYards", 16.0f},    {"miCelsius", 23.0f},   {"miKPa", 25.0f},
    {"miTemp", 36.0f},      {"miCow", 30.5f},      {"miCowX", 0.61f},      {"miCowY", -0.05f},
    {"miCowSize", 0.6f},    {"miCowEnd", 46.0f},   {"miCube", 50.0f},      {"miCubeX", 0.1f},
    {"miCubeY", 0.1f},      {"miCubeSize", 0.5f},  {"miCubeEnd", 64.0f},   {"miCubeT1X", 0.1f},
    {"miCubeT1Y", 0.1f},    {"miCubeT2X", 0.1f},   {"miCubeT2Y", 0.1f},    {"miCubeT3X", 0.1f},
    {"miCubeT3Y", 0.1f},    {"miOneWorld", 120.0f}, {"miOneSystem", 122.0f}, {"miOneQuorel", 128.0f},
    {"miOneEnd", 140.0f},   {"miFlagStart", 100.0f}, {"miFlagEnd", 120.0f}, {"miTulmStart", 110.0f},
    {"miTulmGlow", 116.0f},
};

void grey(float g) { glColor4f(g, g, g, 1.0f); }

Vector3 grey3(float g) { return Vector3(g, g, g); }

// The degree sign is the Latin-1 byte 0xB0.
const char* const CELSIUS_FORMAT = "%5.2f \xB0" "C";
const char* const FAHRENHEIT_FORMAT = "%5.2f \xB0" "F";

} // namespace

QuorelIntro::QuorelIntro() = default;

QuorelIntro::~QuorelIntro()
{
    delete flag;
    delete large_text;
    delete medium_text;
    delete small_text;
    for (Texture* instrument : instruments)
        delete instrument;
    delete portrait_glow;
    delete portrait;
    delete flag_picture;
    delete cube;
    delete cow;
    delete globe;
    delete sun;
}

void QuorelIntro::init()
{
    sun = load_picture("data/quorelintro/sol_med_bane3.png");
    globe = load_picture("data/quorelintro/jordklode3.png");
    cow = load_picture("data/quorelintro/forvirret_ku.png");
    cube = load_picture("data/quorelintro/anticube.png");
    flag_picture = load_picture("data/quorelintro/red_star_rises.jpg");
    portrait = load_picture("data/quorelintro/vetr.png");
    portrait_glow = load_picture("data/quorelintro/vetr_glow.png");
    for (const char* file : INSTRUMENT_FILES)
        instruments.push_back(load_picture(file));

    flag = new Effects::Flag(flag_picture);

    small_text = new Text(FONT, 32);
    medium_text = new Text(FONT, 48);
    large_text = new Text(FONT, 192);

    for (const TrackDefault& track_default : TRACKS)
        music->add_sync_track(track_default.name, track_default.value, true);
}

void QuorelIntro::reshape(int w, int h)
{
    Scene::reshape(w, h);
    small_text->Reshape(w, h);
    medium_text->Reshape(w, h);
    large_text->Reshape(w, h);
}

float QuorelIntro::track(const char* name) { return music->get_sync_value(name); }

void QuorelIntro::render()
{
    const float t = music->get_beat();

    begin_pixel_overlay();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    draw_sun_and_globe(t);
    draw_conversions(t);
    draw_cow(t);
    draw_temperature(t);
    draw_cube_and_instruments(t);
    draw_title(t);
    draw_flag_and_portrait(t);
}

void QuorelIntro::draw_sun_and_globe(float t)
{
    const float orbit = 2.9915926f - t / 64.0f;

    // Drawn whatever the envelope says: outside the window the colour makes them black.
    grey(fade_envelope(t, 2.0f, track("miSolEnd"), FADE));
    const float sun_x = 0.3f + t / 1000.0f;
    const float sun_y = 0.65f + t / 1000.0f;
    const float sun_h = 0.4f;
    const float sun_w = static_cast<float>(0.4 * sun->get_aspect() / aspect);
    sun->draw(sun_x - sun_w / 2.0f, sun_y - sun_h / 2.0f, sun_w, sun_h);

    const float globe_x = sun_x - 0.35f * std::cos(orbit);
    const float globe_y = sun_y - 0.17f * std::sin(orbit);
    const float globe_h = 0.25f;
    const float globe_w = static_cast<float>(0.25 * globe->get_aspect() / aspect);
    globe->draw(globe_x - globe_w / 2.0f, globe_y - globe_h / 2.0f, globe_w, globe_h);

    struct Fact {
        float start;
        float x, y;
        const char* text;
    };
    const Fact facts[] = {
        {5.5f, sun_x + sun_w / 5.0f, sun_y + sun_h / 2.0f, "1 year"},
        {6.5f, globe_x + globe_w / 3.0f, globe_y - globe_h / 2.0f, "365 days"},
        {7.5f, globe_x + globe_w / 2.0f, globe_y + globe_h / 3.0f, "13.36826 orbits"},
    };
    for (const Fact& fact : facts) {
        const float g = fade_envelope(t, fact.start, fact.start + 2.0f, FADE);
        grey(g);
        if (g > 0.0f)
            small_text->print(fact.x, fact.y, "%s", fact.text);
    }
}

void QuorelIntro::draw_conversions(float t)
{
    struct Conversion {
        const char* track;
        const char* text;
        float x, y;
    };
    const Conversion conversions[] = {
        {"miMiles", "1609.34m", 0.55f, 0.1f},    {"miPints", "568.261ml", 0.6f, 0.3f},
        {"miYards", "91.44cm", 0.65f, 0.2f},     {"miCelsius", "celsius", 0.2f, 0.3f},
        {"miKPa", "kiloPascal", 0.25f, 0.1f},
    };
    for (const Conversion& conversion : conversions) {
        const float peak = track(conversion.track);
        const float g = fade_envelope(t, peak, peak, FADE);
        const float d = (t - peak) / 1000.0f;
        grey(g);
        if (g > 0.0f)
            medium_text->print(conversion.x - d, conversion.y + d, "%s", conversion.text);
    }
}

void QuorelIntro::draw_cow(float t)
{
    const float start = track("miCow");
    const float g = fade_envelope(t, start, track("miCowEnd"), FADE);
    const float d = (t - start) / 1000.0f;
    const float x = track("miCowX") - d;
    const float y = track("miCowY") + d;
    const float size = track("miCowSize");
    grey(g);
    if (g > 0.0f)
        cow->draw_aligned(x, y, size, aspect, true);

    const float q = fade_envelope(t, start + 1.0f, start + 2.0f, FADE);
    if (q > 0.0f)
        medium_text->print_shadowed(x + 0.13f, y + size + 0.02f, 0.1f, grey3(q), grey3(0.5f * q),
                                    1.0f, "?");
}

void QuorelIntro::draw_temperature(float t)
{
    const float start = track("miTemp");
    const float g = fade_envelope(t, start, start + 8.0f, FADE);
    const float d = (t - start) / 1000.0f;
    grey(g);
    if (g <= 0.0f)
        return;
    const float celsius = (t - start - 1.0f) * 4.0f;
    const float fahrenheit = celsius * 9.0f / 5.0f + 32.0f;
    const float x0 = 0.8f - d;
    const float y0 = 0.4f - d;
    small_text->print_shadowed(x0 - d, y0 + 0.22f - d, 0.1f, grey3(g), grey3(0.5f * g), 1.0f,
                               CELSIUS_FORMAT, static_cast<double>(celsius));
    small_text->print_shadowed(x0, y0 + 0.19f, 0.1f, grey3(g), grey3(0.5f * g), 1.0f, "   =");
    small_text->print_shadowed(x0 + d, y0 + 0.16f + d, 0.1f, grey3(g), grey3(0.5f * g), 1.0f,
                               FAHRENHEIT_FORMAT, static_cast<double>(fahrenheit));
}

void QuorelIntro::draw_cube_and_instruments(float t)
{
    const float start = track("miCube");
    const float g = fade_envelope(t, start, track("miCubeEnd"), FADE);
    const float d = (t - start) / 1000.0f;
    const float x = track("miCubeX") - d;
    const float y = track("miCubeY") + d;
    grey(g);
    if (g > 0.0f)
        cube->draw_aligned(x, y, track("miCubeSize"), aspect, true);

    struct Label {
        const char* x_track;
        const char* y_track;
        float delay;
    };
    const Label labels[] = {
        {"miCubeT1X", "miCubeT1Y", 1.0f},
        {"miCubeT2X", "miCubeT2Y", 1.5f},
        {"miCubeT3X", "miCubeT3Y", 2.0f},
    };
    for (const Label& label : labels) {
        const float s = start + label.delay;
        const float e = fade_envelope(t, s, s + 1.0f, FADE);
        if (e <= 0.0f)
            continue;
        const float lx = x + track(label.x_track);
        const float ly = y + track(label.y_track);
        medium_text->print_shadowed(lx, ly, 0.18f, Vector3(e, 0.0f, 0.0f), grey3(0.5f * e), 1.0f,
                                    "6");
        small_text->print_shadowed(lx, ly, 0.18f, grey3(e), grey3(0.3f * e), 1.0f, "  dm");
    }

    // The instruments come in from the last to the first, half a beat apart, in a zigzag, and
    // all fade out towards the fixed beat 62.
    float s = start + 4.0f;
    float ix = 0.0f;
    float iy = 0.5f;
    for (int i = static_cast<int>(instruments.size()) - 1; i >= 0; --i) {
        s += 0.5f;
        const float e = fade_envelope(t, s, 62.0f, FADE);
        glColor4f(1.0f, 1.0f, 1.0f, e);
        ix += 0.15f;
        iy += 0.1f - 0.4f * static_cast<float>(i % 2);
        if (e <= 0.0f)
            continue;
        float px = ix;
        float py = iy;
        if (i == 3) {
            px -= 0.15f;
            py -= 0.2f;
        }
        instruments[static_cast<size_t>(i)]->draw_keep_aspect(px, py, 0.2f, aspect);
    }
}

void QuorelIntro::draw_title(float t)
{
    const float world = track("miOneWorld");
    const float quorel = track("miOneQuorel");
    const float end = track("miOneEnd");
    // The first two words drift apart until two beats before the third comes in.
    const float u = quorel - 2.0f > t ? t : quorel - 2.0f;
    const float drift = (u - world) / 50.0f;

    struct Word {
        float start;
        float y;
        const char* text;
    };
    const Word words[] = {
        {world, 0.54f + drift, "tarnholm"},
        {track("miOneSystem"), 0.27f - drift, " system"},
        {quorel, 0.4f, " quorel"},
    };
    for (const Word& word : words) {
        const float e = fade_envelope(t, word.start, end, FADE);
        grey(e);
        if (e > 0.0f)
            large_text->print_shadowed(0.12f, word.y, 0.2f, grey3(e), grey3(0.5f * e), 1.0f, "%s",
                                       word.text);
    }
}

void QuorelIntro::draw_flag_and_portrait(float t)
{
    const float flag_end = track("miFlagEnd");
    const float e_flag = fade_envelope(t, track("miFlagStart"), flag_end, FADE);
    grey(e_flag);
    if (e_flag > 0.0f)
        flag->render(music->get_beat());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // The portrait grows slowly from its start and fades over ten beats on both sides.
    const float start = track("miTulmStart");
    const float e_portrait = fade_envelope(t, start, flag_end - 8.0f, FADE + 8.0f);
    const float d = (t - start) / 150.0f;
    const float x = 0.2f;
    const float y = 0.2f - d / 2.0f;
    const float h = 0.6f + d;
    glColor4f(1.0f, 1.0f, 1.0f, 0.8f * e_portrait);
    shader_bank->bind(SHADER_SLOT_PLAIN_TEXTURE);
    if (e_portrait > 0.0f)
        portrait->draw_aligned(x, y, h, aspect, true);

    // The red glow is added twice, through the blur program.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    const float e_glow = fade_envelope(t, track("miTulmGlow"), flag_end + 2.5f, FADE);
    glColor4f(1.0f, 0.0f, 0.0f, e_glow);
    shader_bank->bind(SHADER_SLOT_BLUR);
    if (e_glow > 0.0f) {
        portrait_glow->draw_aligned(x, y, h, aspect, true);
        portrait_glow->draw_aligned(x, y, h, aspect, true);
    }
}
