#include "effects/firesl/firesl.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "support/temp_dir.h"
#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/image_fixtures.h"
#include "util/texture/texture.h"

namespace {

// A working folder whose fire programs all add 0.1 to the previous picture (alpha 1), so the
// feedback counts the steps; the vertex program is the show's own.
class ProbeFolder {
public:
    ProbeFolder()
    {
        const std::string vertex =
            read_file_bytes(std::string(PELLORVANE_SOURCE_DIR) + "/data/effects/firesl/firesl.vert");
        EXPECT_FALSE(vertex.empty());
        dir.write("data/effects/firesl/firesl.vert", vertex);
        const std::string probe = "uniform sampler2D texPrevious;\n"
                                  "void main()\n"
                                  "{\n"
                                  "    vec4 previous = texture2D(texPrevious, gl_TexCoord[0].st);\n"
                                  "    gl_FragColor = vec4(previous.rgb + vec3(0.1), 1.0);\n"
                                  "}\n";
        for (const char* name : {"firesl.frag", "smokesl.frag", "milk.frag", "gray.frag"})
            dir.write(std::string("data/effects/firesl/") + name, probe);
        dir.write("data/effects/firesl/flames.jpg",
                  fixtures::str(fixtures::jpeg_file(4, 4, fixtures::Bytes(48, 200), 90)));
        char buffer[4096];
        previous = getcwd(buffer, sizeof buffer) ? buffer : ".";
        EXPECT_EQ(chdir(dir.path().c_str()), 0);
    }
    ~ProbeFolder() { (void)!chdir(previous.c_str()); }

private:
    TempDir dir;
    std::string previous;
};

// Level 0 of a buffer's colour texture as floats, RGBA.
std::vector<float> buffer_texels(const FBO* buffer)
{
    std::vector<float> texels(static_cast<size_t>(Effects::Fire::BUFFER_SIZE) * Effects::Fire::BUFFER_SIZE * 4);
    buffer->get_texture(0)->bind(0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
    return texels;
}

class FireGl : public GlTest {};

} // namespace

TEST_F(FireGl, ProbeFeedbackCountsTheStepsFromClearedBuffers)
{
    ProbeFolder folder;
    // Whatever the clear colour, the new buffers start at 0 and the caller's colour stays.
    glClearColor(0.7f, 0.2f, 0.9f, 1.0f);
    Effects::Fire fire;
    GLfloat clear_colour[4] = {0, 0, 0, 0};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_colour);
    EXPECT_FLOAT_EQ(clear_colour[0], 0.7f);
    glClearColor(0, 0, 0, 0);

    const int shown[] = {1, 0, 1, 0};
    for (int k = 1; k <= 4; ++k) {
        glClear(GL_COLOR_BUFFER_BIT);
        fire.render(static_cast<float>(k));
        ASSERT_EQ(fire.get_current(), shown[k - 1]) << "render " << k;
        const std::vector<float> texels = buffer_texels(fire.get_buffer(fire.get_current()));
        int off = 0;
        for (size_t i = 0; i < texels.size(); i += 4)
            off += std::fabs(texels[i] - 0.1f * static_cast<float>(k)) > 1e-5f;
        EXPECT_EQ(off, 0) << "render " << k;
        // The shown buffer reaches the bound target, untinted.
        EXPECT_NEAR(pixel(100, 100)[0], 0.1 * k * 255, 1.5) << "render " << k;
    }
    // The unshown buffer holds the step before.
    EXPECT_NEAR(buffer_texels(fire.get_buffer(1))[0], 0.3f, 1e-5f);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

TEST_F(FireGl, StepSendsTheUniformsAndBindsTheSparkOnUnitTwo)
{
    ShowFolder folder;
    Effects::Fire fire;
    fire.set_mode(Effects::Fire::MODE_SMOKE);
    fire.step(3.5f);
    EXPECT_EQ(fire.get_current(), 1);
    // The program stays bound after a step; the image unit is left empty.
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    ASSERT_EQ(static_cast<GLhandleARB>(program), fire.get_program(Effects::Fire::MODE_SMOKE)->get_program());
    struct FloatUniform {
        const char* name;
        float value;
    };
    for (const FloatUniform& u : {FloatUniform{"time", 3.5f}, FloatUniform{"image_factor", 0.0f},
                                  FloatUniform{"image_shinethrough", 0.0f}, FloatUniform{"spark_pct", 0.2f}}) {
        GLint location = glGetUniformLocation(static_cast<GLuint>(program), u.name);
        ASSERT_GE(location, 0) << u.name;
        GLfloat value = -1;
        glGetUniformfv(static_cast<GLuint>(program), location, &value);
        EXPECT_FLOAT_EQ(value, u.value) << u.name;
    }
    const std::pair<const char*, int> samplers[] = {{"texPrevious", 0}, {"texImage", 1}, {"texSpark", 2}};
    for (const auto& s : samplers) {
        GLint location = glGetUniformLocation(static_cast<GLuint>(program), s.first);
        ASSERT_GE(location, 0) << s.first;
        GLint unit = -1;
        glGetUniformiv(static_cast<GLuint>(program), location, &unit);
        EXPECT_EQ(unit, s.second) << s.first;
    }
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE2}) {
        glActiveTexture(unit);
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0) << unit;
    }
    glActiveTexture(GL_TEXTURE0);
    // From cleared buffers only the spark, read on unit 2, brings smoke: into the band of the
    // lowest fifth that spark_pct gives it, and nowhere above.
    const std::vector<float> texels = buffer_texels(fire.get_buffer(fire.get_current()));
    const int side = Effects::Fire::BUFFER_SIZE;
    double band = 0.0, above = 0.0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const float* t = &texels[(static_cast<size_t>(y) * side + x) * 4];
            (y < side / 5 ? band : above) += t[0] + t[1] + t[2];
        }
    EXPECT_GT(band, 1.0);
    EXPECT_EQ(above, 0.0);
    ShaderProgram::unbind();
}

TEST_F(FireGl, EveryModeEvolvesAFinitePictureFedFromTheBottom)
{
    ShowFolder folder;
    Effects::Fire fire;
    for (int mode = 0; mode < 4; ++mode) {
        fire.set_mode(mode);
        for (int frame = 0; frame < 40; ++frame) fire.step(frame * 0.05f);
        const std::vector<float> texels = buffer_texels(fire.get_buffer(fire.get_current()));
        const int side = Effects::Fire::BUFFER_SIZE;
        double bottom = 0, top = 0;
        int bad = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const float* t = &texels[(static_cast<size_t>(y) * side + x) * 4];
                for (int c = 0; c < 4; ++c) bad += !std::isfinite(t[c]) || t[c] < 0.0f || t[c] > 1.0f;
                const double value = t[0] + t[1] + t[2];
                if (y < side / 10) bottom += value;
                if (y >= side * 9 / 10) top += value;
            }
        EXPECT_EQ(bad, 0) << "mode " << mode;
        EXPECT_GT(bottom, 0.0) << "mode " << mode;
        if (mode != Effects::Fire::MODE_MILK) {
            EXPECT_GT(bottom, top) << "mode " << mode;
        }
    }
    ShaderProgram::unbind();
}

TEST(FireFatal, ModesOutsideTheFourEndWithTheReport)
{
    ShowFolder folder;
    for (int mode : {4, -1}) {
        ChildResult result = run_in_gl_child([mode] {
            Effects::Fire fire;
            fire.set_mode(mode);
        });
        EXPECT_EQ(result.exit_code, 1) << mode;
        EXPECT_EQ(result.err.find("Error in file src\\effects\\firesl\\firesl:"), 0u) << result.err;
        EXPECT_NE(result.err.find("\n\nInvalid fire mode " + std::to_string(mode) + "\n"), std::string::npos)
            << result.err;
    }
}
