#include "scenes/scene_oneinchfurther/oneinchfurther.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>

#include "util/helpers/helpers.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/text/text.h"

namespace {

const char* const FONT = "data/common/fonts/LiberationMono-Regular.ttf";

struct TrackDefault {
    const char* name;
    float value;
};

// Registered in this order.
const TrackDefault TRACKS[] = {
    {"oiStart", 150.0f},      // beat of the first segment
    {"oiInterval", 4.0f},     // beats between segments
    {"oiScrollSpeed", 0.1f},  // sideways scroll per beat, a fraction of the width
    {"oiBlinkSpeed", 0.5f},   // blink period of the last segment, in segments
    {"oiRedSpeed", 0.25f},    // how fast the last segment turns red and stretches, per segment
};

} // namespace

OneInchFurther::OneInchFurther() = default;

OneInchFurther::~OneInchFurther() { delete text; }

void OneInchFurther::init()
{
    text = new Text(FONT, 64);
    for (int cm = 1; cm <= 8; ++cm)
        labels.push_back(int_to_string(cm) + " cm");
    labels.push_back("?");
    for (const TrackDefault& track : TRACKS)
        music->add_sync_track(track.name, track.value, true);
}

void OneInchFurther::reshape(int w, int h)
{
    Scene::reshape(w, h);
    text->Reshape(w, h);
}

int OneInchFurther::visible_segments(float interval, float k, int label_count)
{
    // An interval of zero, or one that is not a finite number, counts no segments (k would
    // be infinite, not a number, or a signed zero even before the start). A negative one
    // counts backwards: its segments show before the start. The count is clamped while it
    // is still a float: a tiny interval or a far beat makes it huge, which no integer holds.
    if (interval == 0.0f || !std::isfinite(interval) || !(k >= 0.0f) || label_count < 1) return 0;
    const float last = static_cast<float>(label_count - 1);
    return static_cast<int>(std::min(k, last)) + 1;
}

void OneInchFurther::render()
{
    const float t = music->get_beat();
    const float start = music->get_sync_value("oiStart");
    const float interval = music->get_sync_value("oiInterval");
    const int label_count = static_cast<int>(labels.size());
    const float k = (t - start) / interval;
    const int n = visible_segments(interval, k, label_count);
    if (n == 0) return;

    const float w_px = static_cast<float>(width);
    const float h_px = static_cast<float>(height);
    // The view scrolls for the first eight beats after the start, then stands.
    const float since_start = std::min(t - start, static_cast<float>(label_count - 1));
    const double left = static_cast<double>(since_start * w_px * music->get_sync_value("oiScrollSpeed")) -
                        static_cast<double>(w_px) / 1.6;

    ShaderProgram::unbind();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(left, static_cast<double>(w_px) + left, 0.0, static_cast<double>(h_px));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    const float bar_h = h_px / 10.0f;
    const float bar_w = w_px / 5.0f;
    const float gap = bar_w / 10.0f;
    const float red_speed = music->get_sync_value("oiRedSpeed");
    const float blink = music->get_sync_value("oiBlinkSpeed");

    for (int i = 0; i < n; ++i) {
        const float x1 = static_cast<float>(i) * (bar_w + gap);
        float x2 = x1 + bar_w;
        const float y1 = h_px / 2.0f;
        const float y2 = y1 + bar_h;
        float r = 1.0f, g = 1.0f, b = 1.0f;
        if (i == label_count - 1) {
            // The "?" segment: segments counted since it came in.
            const float f = k - static_cast<float>(n) + 1.0f;
            const float red = std::min(f * red_speed, 1.0f);
            g = b = 1.0f - red;
            x2 = x1 + (1.0f + 1.54f * red) * bar_w;
            if (std::fmod(f, blink) > 0.5f * blink) r = g = b = 0.0f;
        }
        glColor4f(r, g, b, 1.0f);
        glBegin(GL_QUADS);
        glVertex2f(x1, y1);
        glVertex2f(x2, y1);
        glVertex2f(x2, y2);
        glVertex2f(x1, y2);
        glEnd();

        glPushMatrix();
        glTranslatef(x1, y1 + bar_h + gap, 0.0f);
        text->print("%s", labels[static_cast<size_t>(i)].c_str());
        glPopMatrix();
    }
}
