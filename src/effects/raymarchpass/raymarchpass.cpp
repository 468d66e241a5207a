#include "effects/raymarchpass/raymarchpass.h"

#include "effects/effect/fullscreen.h"
#include "util/math/matrix4.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

const std::vector<std::string>& RayMarchPass::track_names()
{
    static const std::vector<std::string> names = {
        "RayPosX",   "RayPosY",     "RayPosZ",         "RayViewRot",       "RayViewRotX",
        "RayViewRotY", "RayViewRotZ", "RayRotationTime", "RayColor",        "RayAoFactor",
        "RayCutouts", "RaySlashes",  "RayPlaneDistance", "RayRotationMix"};
    return names;
}

void RayMarchPass::render(float t)
{
    draw(t);
}

void RayMarchPass::draw(float t)
{
    fullscreen_setup(colour);
    seed_from_time(t);

    Matrix4 view;
    view.translate(music->get_sync_value("RayPosX"), music->get_sync_value("RayPosY"),
                   music->get_sync_value("RayPosZ"));
    Matrix4 view_rotation;
    view_rotation.rotate(music->get_sync_value("RayViewRot"), music->get_sync_value("RayViewRotX"),
                         music->get_sync_value("RayViewRotY"), music->get_sync_value("RayViewRotZ"));

    program->bind();
    program->set_uniform_1f("RotationTime", music->get_sync_value("RayRotationTime"));
    program->set_uniform_mat4("View", false, view.get_ptr(), 1);
    program->set_uniform_mat4("ViewRotation", false, view_rotation.get_ptr(), 1);
    program->set_uniform_1f("SkyboxMix", 0.0f);
    program->set_uniform_1f("Color", music->get_sync_value("RayColor"));
    program->set_uniform_1f("AoFactor", music->get_sync_value("RayAoFactor"));
    program->set_uniform_1f("Cutouts", music->get_sync_value("RayCutouts"));
    program->set_uniform_1f("Slashes", music->get_sync_value("RaySlashes"));
    program->set_uniform_1f("PlaneDistance", music->get_sync_value("RayPlaneDistance"));
    program->set_uniform_1f("RotationMix", music->get_sync_value("RayRotationMix"));
    fullscreen_quad();
}

std::string RayMarchPass::vertex_source()
{
    return fullscreen_vertex_source();
}

std::string RayMarchPass::fragment_source()
{
    return "uniform float RotationTime;\n"
           "uniform mat4 View;\n"
           "uniform mat4 ViewRotation;\n"
           "uniform float SkyboxMix;\n"
           "uniform float Color;\n"
           "uniform float AoFactor;\n"
           "uniform float Cutouts;\n"
           "uniform float Slashes;\n"
           "uniform float PlaneDistance;\n"
           "uniform float RotationMix;\n"
           "float box(vec3 p, vec3 b)\n"
           "{\n"
           "    vec3 d = abs(p) - b;\n"
           "    return min(max(d.x, max(d.y, d.z)), 0.0) + length(max(d, 0.0));\n"
           "}\n"
           "float field(vec3 p)\n"
           "{\n"
           "    float c = cos(RotationTime), s = sin(RotationTime);\n"
           "    vec3 turned = vec3(c * p.x + s * p.z, p.y, -s * p.x + c * p.z);\n"
           "    vec3 q = mix(p, turned, RotationMix);\n"
           "    float d = box(q, vec3(1.0));\n"
           "    d = max(d, -(length(q.xy) - 0.7 * Cutouts));\n"
           "    d = max(d, 0.05 * Slashes - abs(fract(q.x + q.y) - 0.5));\n"
           "    return min(d, q.y + 1.0 + PlaneDistance);\n"
           "}\n"
           "vec3 normal_at(vec3 p)\n"
           "{\n"
           "    vec2 e = vec2(0.001, 0.0);\n"
           "    return normalize(vec3(field(p + e.xyy) - field(p - e.xyy),\n"
           "                          field(p + e.yxy) - field(p - e.yxy),\n"
           "                          field(p + e.yyx) - field(p - e.yyx)));\n"
           "}\n"
           "void main()\n"
           "{\n"
           "    vec2 uv = gl_TexCoord[0].xy * 2.0 - 1.0;\n"
           "    vec3 origin = (View * vec4(0.0, 0.0, 4.0, 1.0)).xyz;\n"
           "    vec3 direction = normalize((ViewRotation * vec4(uv, -1.5, 0.0)).xyz);\n"
           "    float travelled = 0.0;\n"
           "    bool hit = false;\n"
           "    for (int i = 0; i < 64; ++i) {\n"
           "        float d = field(origin + direction * travelled);\n"
           "        if (d < 0.001) { hit = true; break; }\n"
           "        travelled += d;\n"
           "        if (travelled > 20.0) break;\n"
           "    }\n"
           "    vec3 sky = mix(vec3(0.2, 0.3, 0.5), vec3(0.8), SkyboxMix);\n"
           "    if (!hit) { gl_FragColor = vec4(sky, gl_Color.a); return; }\n"
           "    vec3 p = origin + direction * travelled;\n"
           "    vec3 n = normal_at(p);\n"
           "    float light = clamp(dot(n, normalize(vec3(0.5, 1.0, 0.3))), 0.0, 1.0);\n"
           "    float occlusion = clamp(field(p + n * 0.2) / 0.2, 0.0, 1.0);\n"
           "    float shade = light * mix(1.0, occlusion, AoFactor) + 0.1;\n"
           "    vec3 tint = mix(vec3(1.0), gl_Color.rgb, Color);\n"
           "    gl_FragColor = vec4(tint * shade, gl_Color.a);\n"
           "}\n";
}

} // namespace Effects
