#include "effects/postproc/film.h"

#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

Film::Film()
    : ProgramPostProc("Film",
                      {{"Color", 1.0f},
                       {"Monochrome", 0.0f},
                       {"BrownSepia", 0.0f},
                       {"GreenSepia", 0.0f},
                       {"BlueSepia", 0.0f},
                       {"Contrast", 0.0f},
                       {"Brightness", 0.0f},
                       {"FilmgrainAmount", 0.0f},
                       {"ScanlineAmount", 0.0f}},
                      "data/effects/postproc/film/film.vert", "data/effects/postproc/film/film.frag")
{
}

void Film::set_uniforms(int, int, float time)
{
    program->bind();
    // The grain and scanlines run on the beat clock offset by a fixed amount.
    program->set_uniform_1f("time", time + 999.9953f);
    program->set_uniform_1f("Color", get_param(0));
    program->set_uniform_1f("Monochrome", get_param(1));
    program->set_uniform_1f("BrownSepia", get_param(2));
    program->set_uniform_1f("GreenSepia", get_param(3));
    program->set_uniform_1f("BlueSepia", get_param(4));
    program->set_uniform_1f("Contrast", get_param(5) + 1.0f);
    program->set_uniform_1f("Brightness", get_param(6));
    program->set_uniform_1f("FilmgrainAmount", get_param(7));
    program->set_uniform_1f("ScanlineAmount", get_param(8));
}

} // namespace Effects
