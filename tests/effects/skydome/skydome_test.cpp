#include "effects/skydome/skydome.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <vector>

#include "effects/skydome/domegeometry.h"
#include "support/gl_fixture.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {

// A screen-filling quad from the dome's foot (y = -1) to its top (y = 1).
class QuadDome : public Effects::DomeGeometry {
public:
    void draw() override
    {
        ++draws;
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(-1, -1, 0);
        glTexCoord2f(1, 0);
        glVertex3f(1, -1, 0);
        glTexCoord2f(1, 1);
        glVertex3f(1, 1, 0);
        glTexCoord2f(0, 1);
        glVertex3f(-1, 1, 0);
        glEnd();
    }
    int draws = 0;
};

void fill(Texture& texture, unsigned char r, unsigned char g, unsigned char b)
{
    texture.create_empty(4, 4, Texture::NO_MIPMAPS, Texture::REPEAT, GL_RGBA8);
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 16; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    Texture::unbind(0);
}

class SkyDomeGl : public GlTest {};

} // namespace

TEST_F(SkyDomeGl, DrawsTheSkyFromHorizonToTopAndAdvancesTheSharedTime)
{
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    Texture sky;
    Texture clouds;
    fill(sky, 0, 0, 255);
    fill(clouds, 255, 255, 255);
    ShaderProgram program(Effects::SkyDome::vertex_source(), Effects::SkyDome::fragment_source(), false);
    QuadDome dome_shape;
    Effects::SkyDome dome;
    dome.geometry = &dome_shape;
    dome.textures[0] = &sky;
    dome.textures[1] = &clouds;
    dome.program = &program;
    dome.bbox = Vector4(-1, 1, 0, 0);

    const float start = Effects::SkyDome::shared_time();
    dome.render(10.0f);
    EXPECT_EQ(Effects::SkyDome::shared_time(), start); // the first frame only sets the clock
    dome.render(30.0f);
    EXPECT_FLOAT_EQ(Effects::SkyDome::shared_time(), start + 0.1f);
    EXPECT_EQ(dome.last_time, 30.0f);
    EXPECT_EQ(dome_shape.draws, 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // The horizon colour at the foot, the sky texture at the top.
    const std::vector<unsigned char> foot = pixel(128, 1);
    const std::vector<unsigned char> top = pixel(128, 254);
    EXPECT_NEAR(foot[0], 229, 3);
    EXPECT_NEAR(top[0], 0, 3);
    EXPECT_NEAR(top[2], 255, 3);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint unit = -1;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    ShaderProgram::unbind();
}
