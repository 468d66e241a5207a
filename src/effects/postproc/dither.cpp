#include "effects/postproc/dither.h"

#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

Dither::Dither()
    : ProgramPostProc("Dither", {{"Factor", 0.5f}}, "data/effects/postproc/dither/dither.vert",
                      "data/effects/postproc/dither/dither.frag")
{
}

void Dither::set_uniforms(int w, int h, float)
{
    float base = 1.0f - 0.85f * get_param(0);
    float k = base * base * base;
    program->bind();
    program->set_uniform_2f("blocks", static_cast<float>(w) * k, static_cast<float>(h) * k);
}

} // namespace Effects
