#include "effects/skydome/model_sgl.h"

#include <GL/glew.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"

namespace {

void put_int(std::string& out, std::int32_t value)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

// A ".sgl" file: the three header ints, then the floats as they are.
std::string sgl_file(std::int32_t count, std::int32_t format, std::int32_t mode, const std::vector<float>& floats)
{
    std::string out;
    put_int(out, count);
    put_int(out, format);
    put_int(out, mode);
    out.append(reinterpret_cast<const char*>(floats.data()), floats.size() * sizeof(float));
    return out;
}

// Three N3F_V3F vertices: normals (0, 1, 0), positions x in [-1, 3], y = 0, z in [-2, 2].
std::vector<float> three_normal_vertices()
{
    return {0, 1, 0, -1, 0, -2, /**/ 0, 1, 0, 3, 0, 2, /**/ 0, 1, 0, 1, 0, 0};
}

std::vector<float> model_floats(const ModelSgl& model)
{
    const size_t floats = static_cast<size_t>(model.count) * ModelSgl::vertex_size(model.format) / sizeof(float);
    return std::vector<float>(model.data, model.data + floats);
}

} // namespace

TEST(ModelSgl, ThreeNormalVerticesLoadAndTransformOnlyPositions)
{
    TempDir dir;
    const std::string bytes = sgl_file(3, GL_N3F_V3F, GL_TRIANGLES, three_normal_vertices());
    EXPECT_EQ(bytes.size(), 84u);
    dir.write("model.sgl", bytes);

    ModelSgl model;
    ASSERT_TRUE(model.load(dir.file("model.sgl").c_str()));
    EXPECT_EQ(model.count, 3);
    EXPECT_EQ(model.format, GL_N3F_V3F);
    EXPECT_EQ(model.mode, GL_TRIANGLES);

    const std::vector<float> before = model_floats(model);
    model.translate(1.0f, 0.0f, 0.0f);
    const std::vector<float> after = model_floats(model);
    for (size_t i = 0; i < before.size(); ++i) {
        if (i == 3 || i == 9 || i == 15)
            EXPECT_EQ(after[i], before[i] + 1.0f) << "float " << i;
        else
            EXPECT_EQ(after[i], before[i]) << "float " << i;
    }
}

TEST(ModelSgl, SizeCentreAndNormalizeUseTheBoundingBox)
{
    struct Case {
        const char* name;
        std::vector<float> positions; // x, y, z per vertex, V3F
        float size[3];
        float centre[3];
    };
    const Case cases[] = {
        {"spans zero", {-1, 0, -2, 3, 0, 2, 1, 0, 0}, {4, 0, 4}, {1, 0, 0}},
        {"all positive", {1, 5, 2, 3, 6, 2}, {2, 1, 0}, {2, 5.5f, 2}},
        {"all negative", {-4, -1, -3, -2, -1, -1}, {2, 0, 2}, {-3, -1, -2}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("box.sgl", sgl_file(static_cast<int>(c.positions.size() / 3), GL_V3F, GL_LINES, c.positions));
        ModelSgl model;
        ASSERT_TRUE(model.load(dir.file("box.sgl").c_str()));
        float x = -9, y = -9, z = -9;
        model.get_size(&x, &y, &z);
        EXPECT_FLOAT_EQ(x, c.size[0]);
        EXPECT_FLOAT_EQ(y, c.size[1]);
        EXPECT_FLOAT_EQ(z, c.size[2]);
        model.get_center(&x, &y, &z);
        EXPECT_FLOAT_EQ(x, c.centre[0]);
        EXPECT_FLOAT_EQ(y, c.centre[1]);
        EXPECT_FLOAT_EQ(z, c.centre[2]);

        // Centred, with the longest extent 2.
        model.normalize();
        model.get_center(&x, &y, &z);
        EXPECT_NEAR(x, 0.0f, 1e-6f);
        EXPECT_NEAR(y, 0.0f, 1e-6f);
        EXPECT_NEAR(z, 0.0f, 1e-6f);
        model.get_size(&x, &y, &z);
        EXPECT_FLOAT_EQ(std::max(x, std::max(y, z)), 2.0f);
    }

    // The first case in numbers: x and z map onto [-1, 1].
    dir.write("box.sgl", sgl_file(3, GL_T2F_N3F_V3F, GL_TRIANGLES,
                                  {9, 9, 0, 1, 0, -1, 0, -2, /**/ 9, 9, 0, 1, 0, 3, 0, 2, /**/ 9, 9, 0, 1, 0, 1, 0, 0}));
    ModelSgl model;
    ASSERT_TRUE(model.load(dir.file("box.sgl").c_str()));
    model.normalize();
    EXPECT_EQ(model_floats(model), (std::vector<float>{9, 9, 0, 1, 0, -1, 0, -1, /**/ 9, 9, 0, 1, 0, 1, 0, 1,
                                                        /**/ 9, 9, 0, 1, 0, 0, 0, 0}));
    model.scale(3.0f);
    EXPECT_EQ(model.data[5], -3.0f);
    EXPECT_EQ(model.data[2], 0.0f); // normals are not scaled

    // A single point has no extent: normalize centres it and does not divide by zero.
    dir.write("point.sgl", sgl_file(1, GL_V3F, GL_POINTS + 1, {5, 6, 7}));
    ASSERT_TRUE(model.load(dir.file("point.sgl").c_str()));
    model.normalize();
    EXPECT_EQ(model_floats(model), (std::vector<float>{0, 0, 0}));
}

TEST(ModelSgl, InvalidFilesLoadNothing)
{
    const std::vector<float> one_vertex = {1, 2, 3};
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string truncated = sgl_file(3, GL_N3F_V3F, GL_TRIANGLES, three_normal_vertices());
    truncated.pop_back();
    const Case cases[] = {
        {"empty", ""},
        {"count 0", sgl_file(0, GL_V3F, GL_TRIANGLES, one_vertex)},
        {"negative count", sgl_file(-1, GL_V3F, GL_TRIANGLES, one_vertex)},
        {"format 0", sgl_file(1, 0, GL_TRIANGLES, one_vertex)},
        {"unknown format", sgl_file(1, GL_C3F_V3F, GL_TRIANGLES, one_vertex)},
        {"mode 0", sgl_file(1, GL_V3F, 0, one_vertex)},
        {"header only", sgl_file(1, GL_V3F, GL_TRIANGLES, {})},
        {"one byte short", truncated},
        {"huge count", sgl_file(0x7FFFFFFF, GL_T2F_N3F_V3F, GL_TRIANGLES, one_vertex)},
        {"count wrapping 32 bits", sgl_file(0x08000001, GL_T2F_N3F_V3F, GL_TRIANGLES, {1, 2, 3, 4, 5, 6, 7, 8})},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("bad.sgl", c.bytes);
        ModelSgl model;
        EXPECT_FALSE(model.load(dir.file("bad.sgl").c_str()));
        EXPECT_EQ(model.data, nullptr);
        EXPECT_EQ(model.count, 0);
        float x = -9, y = -9, z = -9;
        model.get_size(&x, &y, &z);
        EXPECT_EQ(x, 0.0f);
        model.translate(1, 1, 1); // nothing to move, nothing to touch
    }

    // Every prefix of a valid file is refused.
    const std::string whole = sgl_file(3, GL_N3F_V3F, GL_TRIANGLES, three_normal_vertices());
    for (size_t length = 0; length < whole.size(); ++length) {
        dir.write("cut.sgl", whole.substr(0, length));
        ModelSgl model;
        EXPECT_FALSE(model.load(dir.file("cut.sgl").c_str())) << "cut at " << length;
    }

    // A failed load after a good one leaves no model behind.
    dir.write("good.sgl", whole);
    ModelSgl model;
    ASSERT_TRUE(model.load(dir.file("good.sgl").c_str()));
    EXPECT_FALSE(model.load(dir.file("cut.sgl").c_str()));
    EXPECT_EQ(model.data, nullptr);
    EXPECT_EQ(model.size_operation, nullptr);
}

TEST(ModelSgl, MissingFileIsFatal)
{
    const ChildResult result = run_in_child([] {
        ModelSgl model;
        model.load("no/such/model.sgl");
    });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("Error in file src\\effects\\skydome\\model_sgl:82"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Failed to load file no/such/model.sgl"), std::string::npos) << result.err;
}

class ModelSglGl : public GlTest {};

TEST_F(ModelSglGl, DrawsTheTrianglesAndRestoresTheClientArrays)
{
    TempDir dir;
    // One triangle covering the lower left half of the view, normals up.
    dir.write("tri.sgl", sgl_file(3, GL_N3F_V3F, GL_TRIANGLES,
                                  {0, 0, 1, -1, -1, 0, /**/ 0, 0, 1, 1, -1, 0, /**/ 0, 0, 1, -1, 1, 0}));
    ModelSgl model;
    ASSERT_TRUE(model.load(dir.file("tri.sgl").c_str()));

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glUseProgram(0);
    glColor4f(1, 1, 1, 1);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    model.draw();

    EXPECT_EQ(pixel(40, 40)[0], 255);
    EXPECT_EQ(pixel(220, 220)[0], 0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
