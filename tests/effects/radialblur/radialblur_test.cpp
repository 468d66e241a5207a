#include "effects/radialblur/radialblur.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {

class RadialBlurGl : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        folder = std::make_unique<ShowFolder>();
    }
    void TearDown() override
    {
        ShaderProgram::unbind();
        glDisable(GL_BLEND);
        folder.reset();
        GlTest::TearDown();
    }
    std::unique_ptr<ShowFolder> folder;
};

// A texture of one grey level.
void fill_grey(Texture& texture, unsigned char level)
{
    texture.create_empty(16, 16, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8);
    const std::vector<unsigned char> texels(16 * 16 * 4, level);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 16, 16, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
}

std::vector<float> params_of_bound_program()
{
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_NE(program, 0);
    GLint location = glGetUniformLocation(static_cast<GLuint>(program), "RadialBlurParams");
    EXPECT_GE(location, 0);
    std::vector<float> values(4, -1.0f);
    glGetUniformfv(static_cast<GLuint>(program), location, values.data());
    return values;
}

} // namespace

TEST_F(RadialBlurGl, BothProgramsLinkAndTheParametersFollowTheSetters)
{
    Effects::RadialBlur blur;
    for (const ShaderProgram* program : {blur.get_origin_program(), blur.get_iterations_program()}) {
        GLint linked = 0;
        glGetProgramiv(static_cast<GLuint>(program->get_program()), GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
    }
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    Texture texture;
    fill_grey(texture, 0);
    blur.set_texture(&texture);
    blur.render(0.0f);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<GLhandleARB>(program), blur.get_origin_program()->get_program());
    EXPECT_EQ(params_of_bound_program(), (std::vector<float>{0.5f, 0.5f, 0.9f, 1.0f}));

    blur.set_origin(0.25f, 0.75f);
    blur.set_intensity(0.0f);
    blur.render(0.0f);
    EXPECT_EQ(params_of_bound_program(), (std::vector<float>{0.25f, 0.75f, 0.9f, 0.0f}));
}

TEST_F(RadialBlurGl, TheBlurIsAddedToWhatIsThere)
{
    Effects::RadialBlur blur;
    Texture texture;
    fill_grey(texture, 77); // 0.3
    blur.set_texture(&texture);
    glClearColor(0.2f, 0.2f, 0.2f, 0.2f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    blur.render(0.0f);
    for (int at : {10, 128, 245}) {
        const std::vector<unsigned char> px = pixel(at, 255 - at);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(px[c], 128, 2) << at << " channel " << c; // 0.5
    }
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_ONE);
}

TEST(RadialBlurFatal, RenderWithoutATextureEndsWithTheReport)
{
    ShowFolder folder;
    ChildResult result = run_in_gl_child([] {
        Effects::RadialBlur blur;
        blur.render(0.0f);
    });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err.find("Error in file src\\effects\\radialblur\\radialblur:"), 0u) << result.err;
    EXPECT_NE(result.err.find("\n\nTrying to radialblur without setting texture\n"), std::string::npos)
        << result.err;
}
