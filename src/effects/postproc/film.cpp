#include "effects/postproc/film.h"

#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

Film::Film()
{
    name = "Film";
    add_param("Color", 1.0f);
    add_param("Monochrome", 0.0f);
    add_param("BrownSepia", 0.0f);
    add_param("GreenSepia", 0.0f);
    add_param("BlueSepia", 0.0f);
    add_param("Contrast", 0.0f);
    add_param("Brightness", 0.0f);
    add_param("FilmgrainAmount", 0.0f);
    add_param("ScanlineAmount", 0.0f);
    program = new ShaderProgram("data/effects/postproc/film/film.vert",
                                "data/effects/postproc/film/film.frag", true);
}

Film::~Film()
{
    delete program;
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
