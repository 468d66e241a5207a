#include "effects/oscilloscope/colourfadequad.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include "effects/effect/fullscreen.h"
#include "util/shaderprogram/shaderprogram.h"

ColourFadeQuad::ColourFadeQuad(float start_time, float end_time, const Vector4& from_colour, const Vector4& to_colour)
    : start(start_time), end(end_time), from(from_colour), to(to_colour)
{
}

bool ColourFadeQuad::colour_at(float time, Vector4* colour) const
{
    if (time < start) return false;
    float f = 1.0f;
    if (end > start && time <= end) f = 1.0f - (end - time) / (end - start);
    colour->lerp(from, to, f);
    return true;
}

void ColourFadeQuad::draw_colour_quad(float time) const
{
    Vector4 colour;
    if (!colour_at(time, &colour)) return;

    Effects::fullscreen_setup(colour);
    ShaderProgram::unbind();
    Effects::overlay_quad();
}
