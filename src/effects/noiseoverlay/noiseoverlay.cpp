#include "effects/noiseoverlay/noiseoverlay.h"

#include "effects/effect/fullscreen.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

void NoiseOverlay::render(float t)
{
    fullscreen_setup(colour);
    seed_from_time(t);
    program->bind();
    program->set_uniform_1f("time", t);
    program->set_uniform_1f("intensity", intensity);
    fullscreen_quad();
}

std::string NoiseOverlay::vertex_source()
{
    return fullscreen_vertex_source();
}

std::string NoiseOverlay::fragment_source()
{
    return "uniform float time;\n"
           "uniform float intensity;\n"
           "float hash(vec2 p)\n"
           "{\n"
           "    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);\n"
           "}\n"
           "void main()\n"
           "{\n"
           "    float grain = hash(gl_FragCoord.xy + vec2(time * 37.0, time * 91.0));\n"
           "    gl_FragColor = vec4(gl_Color.rgb * grain, gl_Color.a * intensity);\n"
           "}\n";
}

} // namespace Effects
