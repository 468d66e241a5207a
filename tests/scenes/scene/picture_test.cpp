// The still pictures of the scenes: one level, clamped at the edges and filtered linearly, as
// the scenes that show them were tuned with.
#include "scenes/scene/picture.h"

#include <gtest/gtest.h>
#include <memory>

#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/texture/image_fixtures.h"
#include "util/texture/texture.h"

namespace {

class PictureTest : public GlTest {};

GLint tex_param(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

} // namespace

TEST_F(PictureTest, IsOneLevelClampedAndLinear)
{
    TempDir dir;
    dir.write("cow.png", fixtures::str(fixtures::png_file(fixtures::sample_picture(6, 8, 6, 4), false)));
    std::unique_ptr<Texture> picture(load_picture(dir.file("cow.png")));
    ASSERT_EQ(picture->get_width(), 6u);
    // Loading leaves the picture bound.
    EXPECT_EQ(tex_param(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_param(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    GLint second_level_width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &second_level_width);
    EXPECT_EQ(second_level_width, 0);
}
