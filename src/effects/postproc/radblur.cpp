#include "effects/postproc/radblur.h"

#include <GL/glew.h>

#include "util/fbo/fbo.h"
#include "util/math/vector4.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

namespace {

// The texture unit the blend pass reads the gathered means from; the picture is on unit 0.
constexpr int GATHERED_UNIT = 1;

} // namespace

Radblur::Radblur() : gathered(nullptr)
{
    name = "Radblur";
    add_param("CntrX", 0.5f);
    add_param("CntrY", 0.5f);
    add_param("Step", 0.9f);
    add_param("Strength", 1.0f);
    program = new ShaderProgram("data/effects/postproc/radblur/radblur.vert",
                                "data/effects/postproc/radblur/radblur.frag", true);
    gather_program = new ShaderProgram("data/effects/postproc/radblur/radblur.vert",
                                       "data/effects/postproc/radblur/radblur_gather.frag", true);
}

Radblur::~Radblur()
{
    delete program;
    delete gather_program;
    delete gathered;
}

void Radblur::set_params(ShaderProgram* target) const
{
    target->set_uniform_vec4("RadialBlurParams", Vector4(get_param(0), get_param(1), get_param(2), get_param(3)), 1);
}

void Radblur::prepare(int, int, float, FBO* source)
{
    if (gathered == nullptr || gathered->get_width() != source->get_width() ||
        gathered->get_height() != source->get_height()) {
        delete gathered;
        gathered = new FBO(source->get_width(), source->get_height(), FBO_TYPE_COLOR);
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    gather_program->bind();
    set_params(gather_program);
    // Every pixel is drawn over: nothing to clear.
    gathered->push(false);
    source->draw();
    gathered->pop();
}

void Radblur::set_uniforms(int, int, float)
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    program->bind();
    set_params(program);
    if (gathered != nullptr) {
        program->set_uniform_1i("gathered", GATHERED_UNIT);
        gathered->bind_texture(0, GATHERED_UNIT);
        glActiveTexture(GL_TEXTURE0);
    }
}

bool Radblur::leaves_picture_unchanged() const
{
    return get_param(3) <= 0.0f;
}

} // namespace Effects
