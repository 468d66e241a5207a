#include "effects/oscilloscope/colourfadequad.h"

#include <GL/glew.h>
#include <GL/glu.h>

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

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4fv(colour.get_ptr());
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    ShaderProgram::unbind();

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(1.0f, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(0.0f, 1.0f);
    glEnd();
    glMatrixMode(GL_MODELVIEW);
}
