#include <GL/glew.h>
#include <gtest/gtest.h>
#include <vector>

#include "effects/oscilloscope/colourfadequad.h"
#include "effects/oscilloscope/oscilloscopetrace.h"
#include "support/gl_fixture.h"
#include "util/fbo/fbo.h"
#include "util/texture/texture.h"

namespace {

void expect_colour(const Vector4& colour, float r, float g, float b, float a)
{
    EXPECT_FLOAT_EQ(colour.x, r);
    EXPECT_FLOAT_EQ(colour.y, g);
    EXPECT_FLOAT_EQ(colour.z, b);
    EXPECT_FLOAT_EQ(colour.w, a);
}

} // namespace

TEST(ColourFadeQuad, ColourOverItsWindow)
{
    const ColourFadeQuad fade(0.0f, 10.0f, Vector4(0, 0, 0, 1), Vector4(1, 0.5f, 0, 0));
    Vector4 colour;
    EXPECT_FALSE(fade.colour_at(-0.5f, &colour));
    ASSERT_TRUE(fade.colour_at(0.0f, &colour));
    expect_colour(colour, 0, 0, 0, 1);
    ASSERT_TRUE(fade.colour_at(5.0f, &colour));
    expect_colour(colour, 0.5f, 0.25f, 0, 0.5f);
    ASSERT_TRUE(fade.colour_at(10.0f, &colour));
    expect_colour(colour, 1, 0.5f, 0, 0);
    ASSERT_TRUE(fade.colour_at(50.0f, &colour));
    expect_colour(colour, 1, 0.5f, 0, 0);

    // An empty or reversed window shows the end colour at once, never 0 / 0.
    for (float end : {3.0f, 1.0f}) {
        const ColourFadeQuad sudden(3.0f, end, Vector4(0, 0, 0, 1), Vector4(1, 1, 1, 1));
        ASSERT_TRUE(sudden.colour_at(3.0f, &colour));
        expect_colour(colour, 1, 1, 1, 1);
        EXPECT_FALSE(sudden.colour_at(2.9f, &colour));
    }
}

TEST(OscilloscopeTrace, PointsAveragePairsAndSkipAnUnpairedSample)
{
    std::vector<float> samples(1024);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = (i % 4 < 2) ? 0.5f : -0.5f;
    const std::vector<float> points = OscilloscopeTrace::trace_points(samples.data(), 1024, 0.25f);
    ASSERT_EQ(points.size(), 2u * 512u);
    EXPECT_FLOAT_EQ(points[0], 0.0f);
    EXPECT_FLOAT_EQ(points[1], 1.0f);   // (0.5 + 0.5) x 0.75 + 0.25
    EXPECT_FLOAT_EQ(points[2], 2.0f / 1024.0f);
    EXPECT_FLOAT_EQ(points[3], -0.5f);  // (-0.5 - 0.5) x 0.75 + 0.25
    EXPECT_FLOAT_EQ(points[1022], 1022.0f / 1024.0f); // the last point, from samples 1022 and 1023

    // An odd count: the last sample has no partner and is not read.
    const float odd[3] = {0.2f, 0.2f, 1e30f};
    const std::vector<float> odd_points = OscilloscopeTrace::trace_points(odd, 3, 0.0f);
    ASSERT_EQ(odd_points.size(), 2u);
    EXPECT_FLOAT_EQ(odd_points[1], 0.3f);
    EXPECT_TRUE(OscilloscopeTrace::trace_points(odd, 1, 0.0f).empty());
    EXPECT_TRUE(OscilloscopeTrace::trace_points(nullptr, 0, 0.0f).empty());
}

class OscilloscopeGl : public GlTest {};

TEST_F(OscilloscopeGl, FadeQuadBlendsItsColourOverThePicture)
{
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const ColourFadeQuad fade(0.0f, 10.0f, Vector4(1, 0, 0, 0), Vector4(1, 0, 0, 1));
    fade.draw_colour_quad(-1.0f); // before its window: nothing
    EXPECT_EQ(pixel(128, 128), (std::vector<unsigned char>{0, 0, 255, 255}));
    fade.draw_colour_quad(5.0f); // half way: red at alpha 0.5 over blue
    const std::vector<unsigned char> mixed = pixel(128, 128);
    EXPECT_NEAR(mixed[0], 128, 1);
    EXPECT_NEAR(mixed[2], 128, 1);
    GLint matrix_mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
    EXPECT_EQ(matrix_mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(OscilloscopeGl, DefaultTraceWithoutMusicIsAFlatYellowLine)
{
    FBO target(64, 64, FBO_TYPE_COLOR);
    OscilloscopeTrace scope(&target, nullptr);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    scope.render(0.0f);
    ASSERT_EQ(scope.buffers.size(), 1u);
    EXPECT_EQ(scope.counts[0], 1024);
    expect_colour(scope.colours[0], 1, 1, 0, 1);

    // The silent trace runs along the middle row of the target.
    target.bind_texture(0, 0);
    std::vector<unsigned char> rgba(64 * 64 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    Texture::unbind(0);
    int lit_rows = 0;
    for (int y = 0; y < 64; ++y) {
        const unsigned char* p = &rgba[(static_cast<size_t>(y) * 64 + 10) * 4];
        if (p[0] > 200 && p[1] > 200 && p[2] < 50) {
            ++lit_rows;
            EXPECT_NEAR(y, 32, 2);
        }
    }
    EXPECT_GE(lit_rows, 1);
    EXPECT_EQ(rgba[0], 0); // cleared elsewhere

    // A second render keeps the one trace; an odd-count trace draws without reading past it.
    scope.add_trace(7, Vector4(0, 1, 0, 1), 1.0f, 0.5f);
    scope.render(0.0f);
    EXPECT_EQ(scope.buffers.size(), 2u);
}
