#include "effects/postproc/hsl.h"

#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

Hsl::Hsl()
    : ProgramPostProc("Hsl", {{"Saturate", 0.0f}}, "data/effects/postproc/hsl/hsl.vert",
                      "data/effects/postproc/hsl/hsl.frag")
{
}

void Hsl::set_uniforms(int, int, float)
{
    program->bind();
    program->set_uniform_1f("saturate", get_param(0) + 1.0f);
}

} // namespace Effects
