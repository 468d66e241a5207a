#include "effects/postproc/motionblur.h"

#include <GL/glew.h>

#include "util/fbo/fbo.h"
#include "util/helpers/helpers.h"
#include "util/math/vector4.h"
#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

float Motionblur::last_advance_time = 0.0f;

namespace {

void add_pass_through_vertex(ShaderConstructor& constructor)
{
    constructor.add_vertex_body("\tgl_TexCoord[0] = gl_MultiTexCoord0;");
    constructor.add_vertex_body("\tgl_Position = ftransform();");
}

void write_blend_shader(ShaderConstructor& constructor, int n)
{
    float step = 1.0f / static_cast<float>(n);
    constructor.add_fragment_global("uniform sampler2D image;");
    for (int i = 1; i < n; ++i) constructor.add_fragment_global("uniform sampler2D shadow" + int_to_string(i) + ";");
    constructor.add_fragment_global("uniform vec4 MotionblurParams;");
    add_pass_through_vertex(constructor);
    constructor.add_fragment_body("  vec4 final_colour = vec4( vec3( 0.0 ), 1.0 );");
    float weight = 1.0f;
    for (int j = 1; j < n; ++j) {
        weight -= step;
        constructor.add_fragment_body("  final_colour += texture2D( shadow" + int_to_string(j) +
                                      ", gl_TexCoord[0].st ) * " + float_to_string(weight, 2) + ";");
    }
    constructor.add_fragment_body("  final_colour *= MotionblurParams.y;");
    constructor.add_fragment_body("\tfinal_colour += texture2D( image, gl_TexCoord[0].st );");
    constructor.add_fragment_body("\tgl_FragColor = final_colour;");
}

} // namespace

Motionblur::Motionblur()
    : blend_program(nullptr), copy_program(nullptr), frame_count_n(-1), ring_index(0), max_samplers(0)
{
    name = "Motionblur";
    add_param("Frames", 5.0f);
    add_param("Strength", 0.5f);
    add_param("Delay", 0.1f);
    // The blend program samples the current picture and N - 1 older ones in its fragment
    // stage: N may not exceed what that stage offers.
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    max_samplers = units;
    build_shaders();
}

Motionblur::~Motionblur()
{
    delete blend_program;
    delete copy_program;
    for (FBO* copy : ring) delete copy;
}

int Motionblur::frame_count(float frames, int max_samplers)
{
    // Compared as a float first: NaN, and values that truncate to 1 or less, give 2; values
    // of 65 and above give 64, so no huge value is ever converted to an integer.
    int n;
    if (!(frames >= 2.0f))
        n = 2;
    else if (frames >= 65.0f)
        n = 64;
    else
        n = static_cast<int>(frames);
    if (max_samplers >= 2 && n > max_samplers) n = max_samplers;
    return n;
}

std::string Motionblur::blend_vertex_source()
{
    ShaderConstructor constructor;
    write_blend_shader(constructor, 2);
    return constructor.get_vertex_source();
}

std::string Motionblur::blend_fragment_source(int n)
{
    ShaderConstructor constructor;
    write_blend_shader(constructor, n);
    return constructor.get_fragment_source();
}

void Motionblur::build_shaders()
{
    int n = frame_count(get_param(0), max_samplers);
    if (blend_program == nullptr || n != frame_count_n) {
        frame_count_n = n;
        ShaderConstructor constructor;
        write_blend_shader(constructor, n);
        delete blend_program;
        blend_program = new ShaderProgram(constructor.get_vertex_source(), constructor.get_fragment_source(), false);
        while (ring.size() < static_cast<size_t>(frame_count_n)) {
            FBO* copy = new FBO(512, 512, FBO_TYPE_COLOR);
            // A new copy is read before anything was drawn into it: start it black.
            copy->push(true);
            copy->pop();
            ring.push_back(copy);
        }
    }
    if (copy_program == nullptr) {
        ShaderConstructor constructor;
        add_pass_through_vertex(constructor);
        constructor.add_fragment_global("uniform sampler2D tex;");
        constructor.add_fragment_body("\tgl_FragColor = texture2D( tex, gl_TexCoord[0].st );");
        copy_program = new ShaderProgram(constructor.get_vertex_source(), constructor.get_fragment_source(), false);
    }
}

void Motionblur::prepare(int, int, float time, FBO* source)
{
    build_shaders();
    float d = time - last_advance_time;
    if (d < 0.0f || d > get_param(2)) {
        last_advance_time = time;
        ring_index = (ring_index + 1) % frame_count_n;
    }
    copy_program->bind();
    FBO* target = ring[static_cast<size_t>(ring_index)];
    target->push(true);
    source->draw();
    target->pop();
}

void Motionblur::set_uniforms(int, int, float)
{
    Vector4 params(get_param(0), get_param(1), 0.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    blend_program->bind();
    for (int i = 1; i < frame_count_n; ++i) {
        int k = ring_index - i;
        if (k < 0) k += frame_count_n;
        blend_program->set_uniform_1i(("shadow" + int_to_string(i)).c_str(), i);
        ring[static_cast<size_t>(k)]->bind_texture(0, i);
    }
    blend_program->set_uniform_vec4("MotionblurParams", params, 1);
    glActiveTexture(GL_TEXTURE0); // the pass's quad enables texturing on the active unit, not a frame's
}

} // namespace Effects
