#include "effects/postproc/radblur.h"

#include <GL/glew.h>

#include "util/math/vector4.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

Radblur::Radblur()
    : ProgramPostProc("Radblur",
                      {{"CntrX", 0.5f}, {"CntrY", 0.5f}, {"Step", 0.9f}, {"Strength", 1.0f}},
                      "data/effects/postproc/radblur/radblur.vert",
                      "data/effects/postproc/radblur/radblur.frag")
{
}

void Radblur::set_uniforms(int, int, float)
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    program->bind();
    program->set_uniform_vec4("RadialBlurParams",
                              Vector4(get_param(0), get_param(1), get_param(2), get_param(3)), 1);
}

bool Radblur::leaves_picture_unchanged() const
{
    return get_param(3) <= 0.0f;
}

} // namespace Effects
