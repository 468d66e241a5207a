#include "effects/radialblur/radialblur.h"

#include <GL/glew.h>

#include "util/error/fatal.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace Effects {

namespace {

const char* const SOURCE = "src\\effects\\radialblur\\radialblur";
const char* const VERTEX_FILE = "data/effects/radialblur/radialblur.vert";

} // namespace

RadialBlur::RadialBlur()
    : colour(1.0f, 1.0f, 1.0f, 1.0f),
      origin_program(new ShaderProgram(VERTEX_FILE, "data/effects/radialblur/radialblur_origin.frag", true)),
      iterations_program(new ShaderProgram(
          VERTEX_FILE, "data/effects/radialblur/radialblur_origin_iterations.frag", true)),
      iterations_mode(false),
      intensity_set(false),
      texture(nullptr),
      origin_x(0.5f),
      origin_y(0.5f),
      step(0.9f),
      iterations(100.0f),
      intensity(1.0f)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

RadialBlur::~RadialBlur()
{
    delete iterations_program;
    delete origin_program;
}

void RadialBlur::set_origin(float x, float y)
{
    origin_x = x;
    origin_y = y;
}

void RadialBlur::set_texture(Texture* t) { texture = t; }

void RadialBlur::set_intensity(float value)
{
    if (iterations_mode) {
        FATAL_ERROR(SOURCE, "Intensity and iterations at the same time not yet supported!");
    }
    intensity_set = true;
    intensity = value;
}

void RadialBlur::render(float)
{
    if (texture == nullptr) FATAL_ERROR(SOURCE, "Trying to radialblur without setting texture");

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    if (iterations_mode) {
        iterations_program->bind();
        iterations_program->set_uniform_vec4(
            "RadialBlurParams", Vector4(origin_x, origin_y, step, iterations), 1);
    } else {
        origin_program->bind();
        origin_program->set_uniform_vec4("RadialBlurParams",
                                         Vector4(origin_x, origin_y, step, intensity), 1);
    }
    glColor4fv(colour.get_ptr());
    texture->draw(0.0f, 0.0f, 1.0f, 1.0f);
}

} // namespace Effects
