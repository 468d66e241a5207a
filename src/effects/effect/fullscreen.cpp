#include "effects/effect/fullscreen.h"

#include <GL/glew.h>
#include <cstdint>
#include <cstring>

#include "platform/runtime/crt_random.h"
#include "util/helpers/unitview.h"
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
    const UnitView view(UnitView::MODELVIEW_AFTER);
    unit_square();
}

void overlay_quad()
{
    set_unit_view();
    unit_square();
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
