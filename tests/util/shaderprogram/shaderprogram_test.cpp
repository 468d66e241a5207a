#include "util/shaderprogram/shaderprogram.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/math/vector3.h"
#include "util/math/vector4.h"

namespace {

const char* const PASS_VERTEX =
    "#version 120\n"
    "void main() { gl_TexCoord[0] = gl_MultiTexCoord0; gl_FrontColor = gl_Color;"
    " gl_Position = ftransform(); }\n";

const char* const UNIFORM_FRAGMENT =
    "#version 120\n"
    "uniform vec4 colour;\n"
    "uniform vec3 tint;\n"
    "uniform vec2 pair;\n"
    "uniform float scale;\n"
    "uniform int unit;\n"
    "uniform mat4 matrix;\n"
    "void main() { gl_FragColor = colour * scale + vec4(tint, 0.0) * pair.x * pair.y"
    " + matrix[1] * float(unit); }\n";

const char* const BROKEN = "#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n";

const std::string REPORT_CAPTION = "Error in file src\\util\\shaderprogram\\shaderprogram:";

// Draws a quad over the whole window with whatever program is bound.
void draw_window_quad()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(-1, -1);
    glTexCoord2f(1, 0); glVertex2f(1, -1);
    glTexCoord2f(1, 1); glVertex2f(1, 1);
    glTexCoord2f(0, 1); glVertex2f(-1, 1);
    glEnd();
}

bool starts_with(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

class ShaderProgramTest : public GlTest {};

} // namespace

TEST_F(ShaderProgramTest, ProgramFromTextsBindsAndSetsEveryUniformKind)
{
    ShaderProgram program(PASS_VERTEX, UNIFORM_FRAGMENT, false);
    ASSERT_NE(program.get_program(), 0u);
    EXPECT_EQ(program.get_kind(), SHADER_KIND_GLSL);
    program.bind();
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLhandleARB>(current), program.get_program());

    float matrix[16];
    for (int i = 0; i < 16; ++i) matrix[i] = static_cast<float>(i) / 16.0f;
    program.set_uniform_vec4("colour", Vector4(0.25f, 0.5f, 0.75f, 1.0f), 1);
    program.set_uniform_vec3("tint", Vector3(0.1f, 0.2f, 0.3f), 1);
    program.set_uniform_2f("pair", 2.0f, 3.0f);
    program.set_uniform_1f("scale", 0.5f);
    program.set_uniform_1i("unit", 0);
    program.set_uniform_mat4("matrix", true, matrix, 1);
    program.set_uniform_1f("not_in_the_program", 1.0f); // ignored by GL

    GLuint id = program.get_program();
    float values[16] = {};
    glGetUniformfv(id, glGetUniformLocation(id, "colour"), values);
    EXPECT_FLOAT_EQ(values[0], 0.25f);
    EXPECT_FLOAT_EQ(values[3], 1.0f);
    glGetUniformfv(id, glGetUniformLocation(id, "tint"), values);
    EXPECT_FLOAT_EQ(values[2], 0.3f);
    glGetUniformfv(id, glGetUniformLocation(id, "pair"), values);
    EXPECT_FLOAT_EQ(values[0], 2.0f);
    EXPECT_FLOAT_EQ(values[1], 3.0f);
    glGetUniformfv(id, glGetUniformLocation(id, "scale"), values);
    EXPECT_FLOAT_EQ(values[0], 0.5f);
    GLint unit = -1;
    glGetUniformiv(id, glGetUniformLocation(id, "unit"), &unit);
    EXPECT_EQ(unit, 0);
    glGetUniformfv(id, glGetUniformLocation(id, "matrix"), values);
    // Transposed on the way in: element (column 0, row 1) is the source's index 4.
    EXPECT_FLOAT_EQ(values[1], matrix[4]);
    EXPECT_FLOAT_EQ(values[4], matrix[1]);

    // colour * 0.5 + tint * 6: (0.125 + 0.6, 0.25 + 1.2, 0.375 + 1.8) clamps to (0.725, 1, 1).
    draw_window_quad();
    std::vector<unsigned char> rgba = pixel(10, 10);
    EXPECT_NEAR(rgba[0], 185, 2);
    EXPECT_EQ(rgba[1], 255);
    EXPECT_EQ(rgba[2], 255);
    ShaderProgram::unbind();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

TEST_F(ShaderProgramTest, EmptyProgramSelectsTheFixedFunctionPipeline)
{
    ShaderProgram other(PASS_VERTEX, UNIFORM_FRAGMENT, false);
    other.bind();
    for (const auto& names : {std::make_pair("", "x.frag"), std::make_pair("x.vert", "")}) {
        ShaderProgram empty(names.first, names.second, true);
        EXPECT_EQ(empty.get_program(), 0u);
        empty.bind();
        GLint current = -1;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        EXPECT_EQ(current, 0);
    }
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    draw_window_quad();
    EXPECT_EQ(pixel(5, 5), (std::vector<unsigned char>{0, 255, 0, 255}));
}

TEST_F(ShaderProgramTest, ArbProgramsFromFilesBindBothTargets)
{
    TempDir dir;
    dir.write("p.vp", "!!ARBvp1.0\nMOV result.position, vertex.position;\n"
                      "MOV result.color, vertex.color;\nEND\n");
    dir.write("p.fp", "!!ARBfp1.0\nMOV result.color, {0.0, 0.0, 1.0, 1.0};\nEND\n");
    ShaderProgram program(dir.file("p.vp"), dir.file("p.fp"), true);
    EXPECT_EQ(program.get_kind(), SHADER_KIND_ARB);
    program.bind();
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
    EXPECT_TRUE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
    draw_window_quad();
    EXPECT_EQ(pixel(5, 5), (std::vector<unsigned char>{0, 0, 255, 255}));
    ShaderProgram::unbind();
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
    EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
}

TEST(ShaderProgramFiles, BareNameIsFoundInTheCommonShaderFolder)
{
    ChildResult result = run_in_gl_child([] {
        if (chdir(PELLORVANE_SOURCE_DIR) != 0) _exit(3);
        char* text = ShaderProgram::read_source("blur.frag");
        if (text == nullptr) _exit(4);
        std::free(text);
        ShaderProgram program("simple.vert", "data/common/shaders/blur.frag", true);
        if (program.get_program() == 0) _exit(5);
        if (ShaderProgram::read_source("no_such_shader.frag") != nullptr) _exit(6);
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
}

TEST(ShaderProgramFailures, BrokenStagesShowTheirLogBoxThenTheFatalReport)
{
    struct Case {
        const char* vertex;
        const char* fragment;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {PASS_VERTEX, BROKEN, "Fragment shader compilation failed: ",
         "--- Fragment shader compile failed, log:\n "},
        {BROKEN, UNIFORM_FRAGMENT, "Vertex shader compilation failed: ",
         "--- Vertex shader compile failed, log:\n "},
        // Texts are always GLSL, so an assembly text fails in the GLSL compiler.
        {"!!ARBvp1.0\nEND\n", UNIFORM_FRAGMENT, "Vertex shader compilation failed: ",
         "--- Vertex shader compile failed, log:\n "},
        // Compiles, but a vertex stage without main cannot link.
        {"#version 120\nvoid helper() {}\n", UNIFORM_FRAGMENT, "Shader linking failed",
         "--- Shader linking failed, log:\n "},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_gl_child([&] { ShaderProgram program(c.vertex, c.fragment, false); });
        EXPECT_EQ(result.exit_code, 1);
        std::string expected_caption = c.caption;
        if (expected_caption != "Shader linking failed") {
            expected_caption += std::string(c.caption)[0] == 'V' ? c.vertex : c.fragment;
        }
        ASSERT_TRUE(starts_with(result.err, expected_caption + "\n" + c.text)) << result.err;
        // One log box only: a vertex failure does not go on to the fragment stage.
        EXPECT_EQ(result.err.find("Fragment shader compilation failed", 1), std::string::npos);
        size_t report = result.err.find(REPORT_CAPTION);
        ASSERT_NE(report, std::string::npos) << result.err;
        EXPECT_TRUE(ends_with(result.err, "\n\nShader compile and link failed!\n")) << result.err;
    }
}

TEST(ShaderProgramFailures, FileProblemsAreFatal)
{
    TempDir dir;
    dir.write("a.vp", "!!ARBvp1.0\nMOV result.position, vertex.position;\nEND\n");
    dir.write("bad.vp", "!!ARBvp1.0\nMOV result.position, nonsense;\nEND\n");
    dir.write("g.frag", UNIFORM_FRAGMENT);
    dir.write("g.vert", PASS_VERTEX);

    ChildResult missing = run_in_gl_child([&] { ShaderProgram p(dir.file("g.vert"), "no_such.frag", true); });
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_TRUE(starts_with(missing.err, REPORT_CAPTION)) << missing.err;
    EXPECT_NE(missing.err.find("\n\nCan't read shader file no_such.frag\n"), std::string::npos);

    ChildResult mixed = run_in_gl_child([&] { ShaderProgram p(dir.file("a.vp"), dir.file("g.frag"), true); });
    EXPECT_EQ(mixed.exit_code, 1);
    EXPECT_TRUE(starts_with(mixed.err, "Error\n" + REPORT_CAPTION)) << mixed.err;

    ChildResult arb_error = run_in_gl_child([&] { ShaderProgram p(dir.file("bad.vp"), dir.file("a.vp"), true); });
    EXPECT_EQ(arb_error.exit_code, 1);
    EXPECT_TRUE(starts_with(arb_error.err, "Error\nVertex program error at position: ")) << arb_error.err;
    EXPECT_NE(arb_error.err.find("Error\n" + REPORT_CAPTION), std::string::npos) << arb_error.err;
}

TEST_F(ShaderProgramTest, AttributeBindingTakesEffectAtTheNextLink)
{
    const char* vertex =
        "#version 120\n"
        "attribute vec3 tangent;\n"
        "void main() { gl_FrontColor = vec4(tangent, 1.0); gl_Position = ftransform(); }\n";
    ShaderProgram program(vertex, UNIFORM_FRAGMENT, false);
    program.bind_attrib_location("tangent", 3);
    glLinkProgram(program.get_program());
    EXPECT_EQ(glGetAttribLocation(program.get_program(), "tangent"), 3);
}

TEST_F(ShaderProgramTest, OneVectorSetsOneElementWhateverTheCount)
{
    const char* fragment =
        "#version 120\n"
        "uniform vec4 values[2];\n"
        "uniform vec3 more[2];\n"
        "void main() { gl_FragColor = values[0] + values[1] + vec4(more[0] + more[1], 0.0); }\n";
    ShaderProgram program(PASS_VERTEX, fragment, false);
    program.bind();
    // A count above one would make GL read a second vector past the one given.
    program.set_uniform_vec4("values", Vector4(1, 2, 3, 4), 2);
    program.set_uniform_vec3("more", Vector3(5, 6, 7), 2);
    const GLuint id = program.get_program();
    float second[4] = {-1, -1, -1, -1};
    glGetUniformfv(id, glGetUniformLocation(id, "values[1]"), second);
    EXPECT_EQ(second[0], 0.0f);
    glGetUniformfv(id, glGetUniformLocation(id, "values[0]"), second);
    EXPECT_EQ(second[3], 4.0f);
    glGetUniformfv(id, glGetUniformLocation(id, "more[1]"), second);
    EXPECT_EQ(second[2], 0.0f);
    ShaderProgram::unbind();
}
