#include "effects/effect/fullscreen.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <cstdint>
#include <cstring>

#include "platform/runtime/crt_random.h"
#include "util/math/vector4.h"

namespace Effects {

void fullscreen_setup(const Vector4& colour)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4fv(colour.get_ptr());
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
}

namespace {

void unit_square()
{
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(1.0f, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(0.0f, 1.0f);
    glEnd();
}

} // namespace

void fullscreen_quad()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
    unit_square();
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void overlay_quad()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
    unit_square();
    glMatrixMode(GL_MODELVIEW);
}

void seed_from_time(float time)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &time, sizeof bits);
    crt_srand(bits);
}

const char* fullscreen_vertex_source()
{
    return "void main()\n"
           "{\n"
           "    gl_Position = ftransform();\n"
           "    gl_TexCoord[0] = vec4(gl_Vertex.xy, 0.0, 1.0);\n"
           "    gl_FrontColor = gl_Color;\n"
           "}\n";
}

} // namespace Effects
