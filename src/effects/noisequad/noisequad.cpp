#include "effects/noisequad/noisequad.h"

#include "effects/effect/fullscreen.h"
#include "platform/runtime/crt_random.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

float NoiseQuad::noise_time(float t)
{
    seed_from_time(t);
    return static_cast<float>(crt_rand() * 100 + 100);
}

void NoiseQuad::render(float t)
{
    fullscreen_setup(colour);
    const float time = noise_time(t);
    program->bind();
    program->set_uniform_1f("time", time);
    fullscreen_quad();
}

std::string NoiseQuad::vertex_source()
{
    return fullscreen_vertex_source();
}

std::string NoiseQuad::fragment_source()
{
    return "uniform float time;\n"
           "float hash(vec2 p)\n"
           "{\n"
           "    return fract(sin(dot(p, vec2(12.9898, 78.233)) + time) * 43758.5453);\n"
           "}\n"
           "void main()\n"
           "{\n"
           "    vec2 cell = floor(gl_TexCoord[0].xy * 64.0);\n"
           "    gl_FragColor = vec4(gl_Color.rgb * hash(cell), gl_Color.a);\n"
           "}\n";
}

} // namespace Effects
