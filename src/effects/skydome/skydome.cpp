#include "effects/skydome/skydome.h"

#include <GL/glew.h>

#include "effects/skydome/domegeometry.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace Effects {

namespace {
float g_sky_time = 0.0f;
}

float SkyDome::shared_time()
{
    return g_sky_time;
}

void SkyDome::render(float t)
{
    glPushMatrix();
    glScalef(horizontal_scale, vertical_scale, horizontal_scale);
    glDisable(GL_DEPTH_TEST);

    if (last_time < 0.0f) last_time = t;
    g_sky_time += (t - last_time) * 0.005f;

    program->bind();
    program->set_uniform_1f("time", g_sky_time);
    program->set_uniform_vec4("horizon", Vector4(0.9f, 0.7f, 0.7f, 1.0f), 1);
    program->set_uniform_vec4("bbox", bbox, 1);
    program->set_uniform_1i("s_texture_0", 0);
    program->set_uniform_1i("s_texture_1", 1);
    program->set_uniform_1f("daylight", daylight);
    program->set_uniform_1f("tex2_factor", tex2_factor);
    program->set_uniform_1f("tex2_scale", tex2_scale);
    program->set_uniform_1f("tex2_offset", tex2_offset);

    textures[0]->bind(0);
    textures[1]->bind(1);
    geometry->draw();
    Texture::unbind(1);
    Texture::unbind(0);

    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    last_time = t;
}

std::string SkyDome::vertex_source()
{
    return "varying vec3 dome_position;\n"
           "void main()\n"
           "{\n"
           "    dome_position = gl_Vertex.xyz;\n"
           "    gl_Position = ftransform();\n"
           "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
           "}\n";
}

std::string SkyDome::fragment_source()
{
    return "uniform float time;\n"
           "uniform vec4 horizon;\n"
           "uniform vec4 bbox;\n"
           "uniform sampler2D s_texture_0;\n"
           "uniform sampler2D s_texture_1;\n"
           "uniform float daylight;\n"
           "uniform float tex2_factor;\n"
           "uniform float tex2_scale;\n"
           "uniform float tex2_offset;\n"
           "varying vec3 dome_position;\n"
           "void main()\n"
           "{\n"
           "    // 0 at the dome's foot, 1 at its top.\n"
           "    float height = clamp((dome_position.y - bbox.x) / max(bbox.y - bbox.x, 0.0001), 0.0, 1.0);\n"
           "    vec2 st = gl_TexCoord[0].st;\n"
           "    vec4 sky = texture2D(s_texture_0, vec2(st.s + time, st.t));\n"
           "    vec4 clouds = texture2D(s_texture_1, st * tex2_scale + vec2(time * 2.0 + tex2_offset, 0.0));\n"
           "    vec4 colour = mix(sky, clouds, tex2_factor * clouds.a) * daylight;\n"
           "    gl_FragColor = vec4(mix(horizon.rgb, colour.rgb, height), 1.0);\n"
           "}\n";
}

} // namespace Effects
