#include "effects/firesl/firesl.h"

#include <GL/glew.h>
#include <string>

#include "util/error/fatal.h"
#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace Effects {

namespace {

const char* const SOURCE = "src\\effects\\firesl\\firesl";

const char* const VERTEX_FILE = "data/effects/firesl/firesl.vert";
const char* const FRAGMENT_FILES[4] = {
    "data/effects/firesl/firesl.frag", "data/effects/firesl/smokesl.frag",
    "data/effects/firesl/milk.frag", "data/effects/firesl/gray.frag"};
const char* const PROGRAM_NAMES[4] = {"fireshader", "smokeshader", "milkshader", "grayshader"};

// A new float buffer starts cleared: the feedback reads it before anything has drawn into it,
// and undefined memory could bring NaNs that would never leave the picture.
void clear_buffer(FBO* buffer)
{
    GLfloat clear_colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_colour);
    buffer->push(true);
    buffer->pop();
    glClearColor(clear_colour[0], clear_colour[1], clear_colour[2], clear_colour[3]);
}

} // namespace

Fire::Fire()
{
    for (int m = 0; m < 4; ++m) {
        programs[m] = new ShaderProgram(VERTEX_FILE, FRAGMENT_FILES[m], true);
        if (programs[m] == nullptr) FATAL_ERROR(SOURCE, null_text(PROGRAM_NAMES[m]));
    }
    spark_texture = new Texture("data/effects/firesl/flames.jpg", Texture::NO_MIPMAPS, Texture::REPEAT,
                                GL_LINEAR, GL_LINEAR);
    if (spark_texture == nullptr) FATAL_ERROR(SOURCE, null_text("spark_texture"));

    image_texture = nullptr;
    image_factor = 0.0f;
    image_shinethrough = 0.0f;
    spark_pct = 0.2f;
    mode = MODE_FIRE;

    for (FBO*& buffer : buffers) {
        buffer = new FBO(BUFFER_SIZE, BUFFER_SIZE, FBO_TYPE_FLOAT);
        clear_buffer(buffer);
    }
    colour.set(1.0f, 1.0f, 1.0f, 1.0f);
    current = 0;
}

Fire::~Fire()
{
    for (FBO* buffer : buffers) delete buffer;
    delete spark_texture;
    for (ShaderProgram* program : programs) delete program;
}

void Fire::set_mode(int m)
{
    if (m < MODE_FIRE || m > MODE_GRAY) FATAL_ERROR(SOURCE, "Invalid fire mode " + std::to_string(m));
    mode = m;
}

void Fire::step(float time)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    current ^= 1;
    if (mode < MODE_FIRE || mode > MODE_GRAY) FATAL_ERROR(SOURCE, "Invalid fire mode!");
    ShaderProgram* program = programs[mode];

    buffers[current]->push(false);
    program->bind();
    program->set_uniform_1f("time", time);
    program->set_uniform_1f("image_factor", image_factor);
    program->set_uniform_1f("image_shinethrough", image_shinethrough);
    program->set_uniform_1f("spark_pct", spark_pct);
    program->set_uniform_1i("texPrevious", 0);
    program->set_uniform_1i("texImage", 1);
    program->set_uniform_1i("texSpark", 2);
    if (image_texture != nullptr) image_texture->bind(1);
    if (spark_texture != nullptr) spark_texture->bind(2);

    buffers[current ^ 1]->draw();

    buffers[current]->pop();
    Texture::unbind(1);
    Texture::unbind(2);
}

void Fire::render(float time)
{
    step(time);
    ShaderProgram::unbind();
    glColor4fv(colour.get_ptr());
    buffers[current]->draw();
}

} // namespace Effects
