#include "effects/flag/flag.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <cmath>

#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace Effects {

namespace {

void build_wave_shader(ShaderConstructor& constructor)
{
    constructor.add_vertex_global("uniform float currentAngle;");
    constructor.add_vertex_body("vec4 v = vec4( gl_Vertex.x, gl_Vertex.y, gl_Vertex.z, 1.0 );");
    constructor.add_vertex_body("v.y  = sin( gl_Vertex.x + currentAngle );");
    constructor.add_vertex_body("v.y += sin( gl_Vertex.z + currentAngle );");
    constructor.add_vertex_body("v.y *= gl_Vertex.x * 0.08;");
    constructor.add_vertex_body("gl_Position = gl_ModelViewProjectionMatrix * v;");
    constructor.add_vertex_body("gl_TexCoord[0] = gl_MultiTexCoord0;");
    constructor.add_vertex_body("gl_FrontColor = gl_Color;");

    constructor.add_fragment_global("uniform sampler2D tex;");
    constructor.add_fragment_body("\tgl_FragColor = texture2D( tex, gl_TexCoord[0].st ) * gl_Color;");
}

} // namespace

Flag::Flag(Texture* flag_texture)
    : texture(flag_texture), wave_program(nullptr), display_list(-1)
{
    wave_program = new ShaderProgram(wave_vertex_source(), wave_fragment_source(), false);
    display_list = -1;
    build_mesh();
}

Flag::~Flag()
{
    if (display_list > 0)
        glDeleteLists(static_cast<GLuint>(display_list), 1);
    delete wave_program;
}

std::string Flag::wave_vertex_source()
{
    ShaderConstructor constructor;
    build_wave_shader(constructor);
    return constructor.get_vertex_source();
}

std::string Flag::wave_fragment_source()
{
    ShaderConstructor constructor;
    build_wave_shader(constructor);
    return constructor.get_fragment_source();
}

std::vector<float> Flag::mesh_vertices()
{
    std::vector<float> vertices;
    vertices.reserve(VERTEX_COUNT * FLOATS_PER_VERTEX);
    auto corner = [&vertices](int i, int j) {
        const float grid = static_cast<float>(GRID);
        vertices.push_back(static_cast<float>(i) / grid); // s
        vertices.push_back(static_cast<float>(j) / grid); // t
        vertices.push_back(0.0f);                         // normal
        vertices.push_back(1.0f);
        vertices.push_back(0.0f);
        vertices.push_back(8.0f * static_cast<float>(i) / grid); // position: flat at y = 0
        vertices.push_back(0.0f);
        vertices.push_back(-6.0f * static_cast<float>(j) / grid);
    };
    for (int i = 0; i < GRID; ++i) {
        for (int j = 0; j < GRID; ++j) {
            corner(i, j);
            corner(i + 1, j);
            corner(i + 1, j + 1);
            corner(i, j);
            corner(i + 1, j + 1);
            corner(i, j + 1);
        }
    }
    return vertices;
}

void Flag::build_mesh()
{
    const std::vector<float> vertices = mesh_vertices();
    display_list = static_cast<int>(glGenLists(1));
    // The arrays point into a temporary: the list keeps its own copy of the vertices, and the
    // client state goes back to what it was, so no later draw reads the freed memory.
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glNewList(static_cast<GLuint>(display_list), GL_COMPILE);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, vertices.data());
    glDrawArrays(GL_TRIANGLES, 0, VERTEX_COUNT);
    glEndList();
    glPopClientAttrib();
}

void Flag::render(float time) { draw(time); }

float Flag::phase_angle(float time)
{
    float a = 2.0f * time;
    if (!std::isfinite(a))
        return 0.0f;
    // Far from the range, whole turns come off in one exact step: subtracting 360 at a time
    // would take too long, and stops changing the value once a float's step exceeds 360.
    if (a > 720.0f) {
        a = std::fmod(a, 360.0f);
        if (a == 0.0f)
            a = 360.0f;
    } else if (a < -720.0f) {
        a = std::fmod(a, 360.0f) + 0.0f; // + 0 turns a remainder of -0 into 0
    }
    while (a > 360.0f)
        a -= 360.0f;
    while (a < 0.0f)
        a += 360.0f;
    return a;
}

void Flag::draw(float time)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 0.1, 100.0);

    // The grid's depth axis turns upright: the flag hangs facing the viewer, pole on the left.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(-4.35f, -3.0f, -8.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);

    const float angle = phase_angle(time);
    wave_program->bind();
    wave_program->set_uniform_1f("currentAngle", angle);
    texture->bind(0);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glCallList(static_cast<GLuint>(display_list));

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace Effects
