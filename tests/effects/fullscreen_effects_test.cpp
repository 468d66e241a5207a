// The effects that draw over the whole picture: the flash, the noise overlay, the noise quad
// and the ray-march pass.
#include <GL/glew.h>
#include <gtest/gtest.h>
#include <vector>

#include "effects/flashoverlay/flashoverlay.h"
#include "effects/noiseoverlay/noiseoverlay.h"
#include "effects/noisequad/noisequad.h"
#include "effects/raymarchpass/raymarchpass.h"
#include "support/audio_fixture.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

Effects::FlashOverlay flash_at_10_and_20()
{
    Effects::FlashOverlay flash;
    flash.key_times = {10.0f, 20.0f};
    flash.attack = 1.0f;
    flash.release = 2.0f;
    flash.colour = Vector4(1, 1, 1, 1);
    return flash;
}

class FullscreenGl : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        glDisable(GL_SCISSOR_TEST);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    // How many of a grid of sample pixels differ from black.
    static int lit_samples()
    {
        const std::vector<unsigned char> rgba = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
        int lit = 0;
        for (int y = 8; y < WINDOW_HEIGHT; y += 16) {
            for (int x = 8; x < WINDOW_WIDTH; x += 16) {
                const unsigned char* p = &rgba[(static_cast<size_t>(y) * WINDOW_WIDTH + x) * 4];
                if (p[0] + p[1] + p[2] > 0) ++lit;
            }
        }
        return lit;
    }
};

} // namespace

TEST(FlashOverlay, AlphaRisesOverTheAttackAndFallsOverTheRelease)
{
    const Effects::FlashOverlay flash = flash_at_10_and_20();
    struct Case {
        float t;
        bool drawn;
        float alpha;
    };
    const Case cases[] = {
        {8.9f, false, 0.0f}, {9.0f, true, 0.0f},   {9.5f, true, 0.5f},  {10.0f, true, 1.0f},
        {11.0f, true, 0.5f}, {12.0f, true, 0.0f},  {12.5f, false, 0.0f}, {19.5f, true, 0.5f},
        {21.5f, true, 0.25f}, {22.5f, false, 0.0f},
    };
    for (const Case& c : cases) {
        float alpha = -1.0f;
        EXPECT_EQ(flash.alpha_at(c.t, &alpha), c.drawn) << "t = " << c.t;
        if (c.drawn) {
            EXPECT_FLOAT_EQ(alpha, c.alpha) << "t = " << c.t;
        }
    }

    // Without attack or release only the key itself flashes, never 0 / 0.
    Effects::FlashOverlay instant;
    instant.key_times = {4.0f};
    float alpha = -1.0f;
    EXPECT_TRUE(instant.alpha_at(4.0f, &alpha));
    EXPECT_EQ(alpha, 1.0f);
    EXPECT_FALSE(instant.alpha_at(3.999f, &alpha));
    EXPECT_FALSE(instant.alpha_at(4.001f, &alpha));
}

TEST(NoiseQuad, TimeIsTheSameForTheSameBeat)
{
    const float first = Effects::NoiseQuad::noise_time(12.25f);
    EXPECT_NE(Effects::NoiseQuad::noise_time(3.0f), first);
    EXPECT_EQ(Effects::NoiseQuad::noise_time(12.25f), first);
    EXPECT_GE(first, 100.0f);
    EXPECT_LE(first, 32767.0f * 100.0f + 100.0f);
    // Whole numbers from the generator's range.
    EXPECT_EQ(static_cast<float>(static_cast<int>(first)), first);
}

TEST_F(FullscreenGl, FlashDrawsItsColourAtTheFlashAlpha)
{
    Effects::FlashOverlay flash = flash_at_10_and_20();
    flash.render(12.5f);
    EXPECT_EQ(lit_samples(), 0);
    flash.render(9.5f);
    EXPECT_FLOAT_EQ(flash.colour.w, 0.5f);
    EXPECT_NEAR(pixel(128, 128)[0], 128, 1);
    EXPECT_NEAR(pixel(3, 250)[1], 128, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FullscreenGl, NoiseOverlayAndNoiseQuadDrawNoise)
{
    ShaderProgram overlay_program(Effects::NoiseOverlay::vertex_source(), Effects::NoiseOverlay::fragment_source(),
                                  false);
    Effects::NoiseOverlay overlay;
    overlay.program = &overlay_program;
    overlay.colour = Vector4(1, 1, 1, 1);
    overlay.intensity = 1.0f;
    overlay.render(3.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const std::vector<unsigned char> overlay_picture = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    EXPECT_GT(lit_samples(), 100);

    glClear(GL_COLOR_BUFFER_BIT);
    ShaderProgram quad_program(Effects::NoiseQuad::vertex_source(), Effects::NoiseQuad::fragment_source(), false);
    Effects::NoiseQuad quad;
    quad.program = &quad_program;
    quad.colour = Vector4(1, 1, 1, 1);
    quad.render(3.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_GT(lit_samples(), 100);
    const std::vector<unsigned char> first = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    // The same beat draws the same noise.
    glClear(GL_COLOR_BUFFER_BIT);
    quad.render(3.0f);
    EXPECT_EQ(read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT), first);
    ShaderProgram::unbind();
}

TEST_F(FullscreenGl, RayMarchPassDrawsFromItsTracks)
{
    TempDir dir;
    dir.write("short.ogg", encode_ogg(make_sine_signal(11025, 44100, {440.0, 660.0}, {0.5, 0.25})));
    Music music(dir.file("short.ogg").c_str(), 145.0f, 0.0f, false, 0);
    // A value of its own on every track, so a track read into the wrong uniform shows. The
    // view stays near the box: a little off the axis, rolled mostly about the line of sight.
    const std::vector<float> values = {0.3f, 0.2f,  1.5f, 25.0f, 0.1f, 0.2f, 1.0f,
                                       0.7f, 0.6f, 0.35f, 0.15f, 0.45f, 0.8f, 0.55f};
    ASSERT_EQ(Effects::RayMarchPass::track_names().size(), values.size());
    for (size_t i = 0; i < values.size(); ++i)
        music.add_sync_track(Effects::RayMarchPass::track_names()[i], values[i], false);

    ShaderProgram program(Effects::RayMarchPass::vertex_source(), Effects::RayMarchPass::fragment_source(), false);
    Effects::RayMarchPass pass;
    pass.program = &program;
    pass.music = &music;
    pass.colour = Vector4(1, 0.5f, 0.25f, 1);
    pass.render(1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The box stands in the middle of the view; the sky is round it.
    const std::vector<unsigned char> centre = pixel(128, 128);
    const std::vector<unsigned char> corner = pixel(2, 253);
    EXPECT_NE(centre, corner);
    EXPECT_GT(lit_samples(), 200);

    const GLuint handle = static_cast<GLuint>(program.get_program());
    auto uniform = [handle](const char* name, int count) {
        std::vector<GLfloat> value(static_cast<size_t>(count), -100.0f);
        const GLint location = glGetUniformLocation(handle, name);
        EXPECT_GE(location, 0) << name;
        if (location >= 0) glGetUniformfv(handle, location, value.data());
        return value;
    };
    const struct {
        const char* name;
        float value;
    } floats[] = {{"RotationTime", 0.7f}, {"Color", 0.6f},          {"AoFactor", 0.35f},     {"Cutouts", 0.15f},
                  {"Slashes", 0.45f},     {"PlaneDistance", 0.8f}, {"RotationMix", 0.55f}, {"SkyboxMix", 0.0f}};
    for (const auto& f : floats) EXPECT_FLOAT_EQ(uniform(f.name, 1)[0], f.value) << f.name;

    // The view moves by the position tracks and turns as GL's own rotation by the angle (in
    // degrees) about the axis tracks would.
    GLfloat moved[16], turned[16];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.3f, 0.2f, 1.5f);
    glGetFloatv(GL_MODELVIEW_MATRIX, moved);
    glLoadIdentity();
    glRotatef(25.0f, 0.1f, 0.2f, 1.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, turned);
    glPopMatrix();
    const std::vector<GLfloat> view = uniform("View", 16), rotation = uniform("ViewRotation", 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(view[static_cast<size_t>(i)], moved[i], 1e-5f) << "View " << i;
        EXPECT_NEAR(rotation[static_cast<size_t>(i)], turned[i], 1e-5f) << "ViewRotation " << i;
    }
    ShaderProgram::unbind();
}
