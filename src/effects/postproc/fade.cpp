#include "effects/postproc/fade.h"

#include <cmath>

#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

Fade::Fade()
    : ProgramPostProc("Fade", {{"Value", 0.0f}}, "data/effects/postproc/fade/fade.vert",
                      "data/effects/postproc/fade/fade.frag")
{
}

void Fade::set_uniforms(int, int, float)
{
    float value = get_param(0);
    float towards_white = value > 0.0f ? 1.0f : 0.0f;
    program->bind();
    program->set_uniform_2f("color", towards_white, std::fabs(value));
}

bool Fade::leaves_picture_unchanged() const
{
    return get_param(0) == 0.0f;
}

} // namespace Effects
