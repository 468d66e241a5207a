#include "effects/zeldablocks/zeldablocks.h"

#include <GL/glew.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "platform/runtime/crt_random.h"
#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

// Blocks falling through a box from z = 0 up to z = 2.
Effects::ZeldaBlocks field_of(int count, float fall_length)
{
    Effects::ZeldaBlocks field;
    field.box_min = Vector3(-2.0f, -1.0f, 0.0f);
    field.box_max = Vector3(2.0f, 1.0f, 2.0f);
    field.fall_length = fall_length;
    field.size = 0.3f;
    field.blocks.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Effects::ZeldaBlock& block = field.blocks[static_cast<size_t>(i)];
        block.position = Vector3(-1.5f + static_cast<float>(i), 0.25f * static_cast<float>(i) - 0.5f, 0.0f);
        block.fall_speed = 0.1f + 0.05f * static_cast<float>(i);
        block.spin = static_cast<float>(i);
    }
    field.block_count = count;
    field.initialized = true;
    return field;
}

class ZeldaBlocksGl : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_BLEND);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-3.0, 3.0, -3.0, 3.0, -10.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glGenBuffers(1, &buffer);
    }
    void TearDown() override
    {
        glDeleteBuffers(1, &buffer);
        GlTest::TearDown();
    }
    GLuint buffer = 0;
};

} // namespace

TEST(ZeldaBlocks, HeightIsASawToothAndTheAngleHasItsLimitAtZero)
{
    Effects::ZeldaBlocks field = field_of(2, 3.0f);
    field.blocks[1].fall_speed = 0.5f;
    field.blocks[1].spin = 2.0f;
    field.set_block(1, 1.5f); // t v = 0.75
    EXPECT_FLOAT_EQ(field.blocks[1].position.z, 2.25f);
    const float g = 3.0f;
    EXPECT_FLOAT_EQ(field.blocks[1].angle, g + std::sin(g) / g);
    field.set_block(1, 2.5f); // t v = 1.25: the next cycle
    EXPECT_FLOAT_EQ(field.blocks[1].position.z, 0.75f);

    // No spin or t = 0: sin(g) / g is taken at its limit 1.
    field.set_block(0, 4.0f);
    EXPECT_EQ(field.blocks[0].angle, 1.0f);
    field.set_block(1, 0.0f);
    EXPECT_EQ(field.blocks[1].angle, 1.0f);
    EXPECT_FALSE(std::isnan(field.blocks[1].angle));

    // Indices outside the blocks are ignored.
    field.set_block(2, 1.0f);
    field.set_block(-1, 1.0f);
    field.randomize_block(7);
}

TEST(ZeldaBlocks, RespawnInTheBoxOrInsideTheCircle)
{
    crt_srand(99);
    Effects::ZeldaBlocks field = field_of(1, 1.0f);
    Effects::ZeldaBlock& block = field.blocks[0];
    for (int i = 0; i < 200; ++i) {
        block.position.z = 5.0f;
        field.randomize_block(0);
        EXPECT_GE(block.position.x, -2.0f);
        EXPECT_LE(block.position.x, 2.0f);
        EXPECT_GE(block.position.y, -1.0f);
        EXPECT_LE(block.position.y, 1.0f);
        EXPECT_EQ(block.position.z, 0.0f);
        EXPECT_GE(block.phase, 0.0f);
        EXPECT_LE(block.phase, 6.2831853f);
    }

    field.circle_mode = true;
    field.radius = 0.5f;
    float farthest = 0.0f;
    for (int i = 0; i < 200; ++i) {
        field.randomize_block(0);
        const float distance = std::hypot(block.position.x, block.position.y);
        EXPECT_LT(distance, 0.5f);
        farthest = std::max(farthest, distance);
    }
    EXPECT_GT(farthest, 0.4f) << "the spots spread over the circle";

    // A circle without inside ends on its centre instead of drawing for ever.
    for (float radius : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity()}) {
        field.radius = radius;
        block.position.set(9.0f, 9.0f, 9.0f);
        field.randomize_block(0);
        EXPECT_EQ(block.position.x, 0.0f) << "radius " << radius;
        EXPECT_EQ(block.position.y, 0.0f) << "radius " << radius;
        EXPECT_EQ(block.position.z, 0.0f) << "radius " << radius;
    }
    // A huge but finite circle still finds a spot inside it, not the centre it falls back to.
    field.radius = 1e38f;
    field.randomize_block(0);
    const double distance = std::hypot(static_cast<double>(block.position.x), static_cast<double>(block.position.y));
    EXPECT_LT(distance, 1e38);
    EXPECT_GT(distance, 1e30);
}

TEST(ZeldaBlocks, RenderWithoutInitializingIsFatal)
{
    const ChildResult result = run_in_child([] {
        Effects::ZeldaBlocks field = field_of(1, 1.0f);
        field.initialized = false;
        field.render(1.0f);
    });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("Error in file src\\effects\\zeldablocks\\zeldablocks:29"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("ZeldaBlocks::render() called without initializing effect!"), std::string::npos);

    const ChildResult too_many = run_in_child([] {
        Effects::ZeldaBlocks field = field_of(1, 1.0f);
        field.block_count = 2;
        field.render(1.0f);
    });
    EXPECT_EQ(too_many.exit_code, 1);
    EXPECT_NE(too_many.err.find("block count"), std::string::npos) << too_many.err;
}

TEST_F(ZeldaBlocksGl, BlocksWithinTheBoxNeverRespawnAndDraw)
{
    ShaderProgram program(Effects::ZeldaBlocks::vertex_source(), Effects::ZeldaBlocks::fragment_source(), false);
    // A fall length equal to the box's height keeps every block inside it.
    Effects::ZeldaBlocks field = field_of(4, 2.0f);
    field.buffer = buffer;
    field.program = &program;
    std::vector<Vector3> spots;
    for (const Effects::ZeldaBlock& block : field.blocks) spots.push_back(block.position);

    for (float t : {0.0f, 1.3f, 4.9f, 17.0f}) {
        field.render(t);
        for (size_t i = 0; i < spots.size(); ++i) {
            EXPECT_EQ(field.blocks[i].position.x, spots[i].x);
            EXPECT_EQ(field.blocks[i].position.y, spots[i].y);
            EXPECT_LE(field.blocks[i].position.z, 2.0f);
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(field.vertex_data.size(), 4u * 20u);
    EXPECT_EQ(field.positions_size, 4 * 12 * 4);
    EXPECT_EQ(field.tex_coords_size, 4 * 8 * 4);
    // Four equal positions per block, then its texture coordinates.
    EXPECT_EQ(field.vertex_data[12], field.blocks[1].position.x);
    EXPECT_EQ(field.vertex_data[21], field.blocks[1].position.x);
    const float a = field.blocks[1].angle;
    EXPECT_FLOAT_EQ(field.vertex_data[48 + 8], 0.5f + 0.5f * std::sin(a));
    EXPECT_FLOAT_EQ(field.vertex_data[48 + 10], 0.5f + 0.5f * std::cos(a));
    EXPECT_EQ(field.vertex_data[48 + 13], 1.0f);

    // Each block is a billboard around its spot (x -1.5 .. 1.5 in a 6-wide view).
    for (const Vector3& spot : spots) {
        const int x = static_cast<int>((spot.x + 3.0f) / 6.0f * WINDOW_WIDTH);
        const int y = static_cast<int>((spot.y + 3.0f) / 6.0f * WINDOW_HEIGHT);
        EXPECT_GT(pixel(x, y)[0], 0) << "block at " << spot.x;
    }
    EXPECT_EQ(pixel(128, 250)[0], 0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    ShaderProgram::unbind();
}

TEST_F(ZeldaBlocksGl, RespawnedBlockMovesAndKeepsItsSawToothHeight)
{
    ShaderProgram program(Effects::ZeldaBlocks::vertex_source(), Effects::ZeldaBlocks::fragment_source(), false);
    Effects::ZeldaBlocks field = field_of(1, 4.0f); // overruns the 2-high box
    field.buffer = buffer;
    field.program = &program;
    field.blocks[0].fall_speed = 1.0f;
    field.blocks[0].position.set(9.0f, 9.0f, 0.0f); // outside the box: a respawn moves it in
    crt_srand(5);
    field.render(0.75f); // saw-tooth height 3 is beyond the box: respawn
    const Effects::ZeldaBlock& block = field.blocks[0];
    EXPECT_LE(std::fabs(block.position.x), 2.0f);
    EXPECT_LE(std::fabs(block.position.y), 1.0f);
    // The height is set again from t after the move.
    EXPECT_EQ(block.position.z, 3.0f);
    EXPECT_EQ(field.vertex_data[0], block.position.x);
    EXPECT_EQ(field.vertex_data[2], 3.0f);
    EXPECT_EQ(field.vertex_data[11], 3.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ShaderProgram::unbind();
}
