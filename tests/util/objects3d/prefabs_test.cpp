#include "util/objects3d/prefabs.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "support/gl_fixture.h"
#include "util/math/vector3.h"

namespace {

Vector3 element(const std::vector<float>& stream, size_t i)
{
    return Vector3(stream[i * 3], stream[i * 3 + 1], stream[i * 3 + 2]);
}

// (b - a) x (c - a) . n for each triangle: negative where the triangle winds clockwise seen
// from the side n points to. n is the first corner's normal, or `facing` when given.
std::vector<float> winding_signs(const Mesh& mesh, const Vector3* facing)
{
    std::vector<float> signs;
    for (size_t t = 0; t + 2 < mesh.vertices.size() / 3; t += 3) {
        Vector3 a = element(mesh.vertices, t);
        Vector3 b = element(mesh.vertices, t + 1);
        Vector3 c = element(mesh.vertices, t + 2);
        Vector3 n = facing != nullptr ? *facing : element(mesh.normals, t);
        signs.push_back(Vector3::dot(Vector3::cross(b - a, c - a), n));
    }
    return signs;
}

std::vector<float> current(GLenum what)
{
    std::vector<float> v(4, -99.0f);
    glGetFloatv(what, v.data());
    return v;
}

class PrefabsTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glUseProgram(0);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2, 2, -2, 2, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glColor4f(1, 1, 1, 1);
        glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    }

    void TearDown() override
    {
        glDisable(GL_CULL_FACE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        GlTest::TearDown();
    }

    // The cube lists are compiled once per process, in the GL context of the first draw, and
    // every GL case opens its own window: each case runs in a newly started copy of the test
    // program, so that the lists it meets belong to its own context.
    static void in_fresh_process(void (*body)())
    {
        const std::string style = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_EXIT(
            {
                body();
                std::fflush(stdout);
                if (::testing::Test::HasFailure()) {
                    std::fprintf(stderr, "the case failed in its own process (run it alone to see where)\n");
                    std::_Exit(3);
                }
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(0), "");
        GTEST_FLAG_SET(death_test_style, style);
    }

    static int lit_pixels()
    {
        std::vector<unsigned char> rgba = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
        int count = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) count += rgba[i] > 0 ? 1 : 0;
        return count;
    }
};

} // namespace

TEST(Prefabs, CubeMeshHasOutwardFacesAndAnInvertedTwin)
{
    std::unique_ptr<Mesh> cube(Prefabs::cube_mesh(2.0f, false));
    std::unique_ptr<Mesh> inverted(Prefabs::cube_mesh(2.0f, true));
    EXPECT_EQ(cube->name, "Cube");
    EXPECT_EQ(cube->vertices.size(), 108u);
    EXPECT_EQ(cube->normals.size(), 108u);
    EXPECT_EQ(cube->texcoords.size(), 72u);
    EXPECT_TRUE(cube->tangents.empty());
    EXPECT_EQ(cube->vertices_stride, 3);
    EXPECT_EQ(cube->normals_stride, 3);
    EXPECT_EQ(cube->tangents_stride, 0);
    EXPECT_EQ(cube->texcoords_stride, 2);

    for (size_t i = 0; i < 36; ++i) {
        Vector3 p = element(cube->vertices, i);
        Vector3 n = element(cube->normals, i);
        // Every corner is a cube corner and lies on the face its normal names.
        for (int c = 0; c < 3; ++c) EXPECT_EQ(std::fabs(p[c]), 1.0f) << "corner " << i;
        EXPECT_EQ(n.length(), 1.0f) << "corner " << i;
        EXPECT_EQ(Vector3::dot(p, n), 1.0f) << "corner " << i;
        EXPECT_TRUE(cube->texcoords[i * 2] == 0.0f || cube->texcoords[i * 2] == 1.0f);
        EXPECT_TRUE(cube->texcoords[i * 2 + 1] == 0.0f || cube->texcoords[i * 2 + 1] == 1.0f);
    }
    // Six faces, two triangles each, every one clockwise seen from outside.
    std::vector<float> signs = winding_signs(*cube, nullptr);
    ASSERT_EQ(signs.size(), 12u);
    for (float s : signs) EXPECT_LT(s, 0.0f);

    EXPECT_EQ(inverted->vertices, cube->vertices);
    EXPECT_EQ(inverted->texcoords, cube->texcoords);
    ASSERT_EQ(inverted->normals.size(), cube->normals.size());
    for (size_t i = 0; i < cube->normals.size(); ++i) EXPECT_EQ(inverted->normals[i], -cube->normals[i]);

    std::unique_ptr<Mesh> small(Prefabs::cube_mesh(0.2f, false));
    for (float v : small->vertices) EXPECT_EQ(std::fabs(v), 0.1f);
}

TEST(Prefabs, PlaneMeshSpansWidthAndDepthFacingUp)
{
    std::unique_ptr<Mesh> plane(Prefabs::plane_mesh(4.0f, 6.0f, 3.0f));
    EXPECT_EQ(plane->name, "Plane");
    EXPECT_EQ(plane->vertices_stride, 3);
    EXPECT_EQ(plane->normals_stride, 3);
    EXPECT_EQ(plane->tangents_stride, 3);
    EXPECT_EQ(plane->texcoords_stride, 2);
    ASSERT_EQ(plane->vertices.size(), 18u);
    ASSERT_EQ(plane->normals.size(), 18u);
    ASSERT_EQ(plane->tangents.size(), 18u);
    ASSERT_EQ(plane->texcoords.size(), 12u);

    float x_min = 1e9f, x_max = -1e9f, z_min = 1e9f, z_max = -1e9f;
    for (size_t i = 0; i < 6; ++i) {
        Vector3 p = element(plane->vertices, i);
        EXPECT_EQ(p.y, 0.0f);
        x_min = std::fmin(x_min, p.x);
        x_max = std::fmax(x_max, p.x);
        z_min = std::fmin(z_min, p.z);
        z_max = std::fmax(z_max, p.z);
        EXPECT_EQ(element(plane->normals, i).y, 1.0f);
        EXPECT_EQ(element(plane->tangents, i).x, 1.0f);
        // The texture runs 0 .. repeat from +x to -x and from -z to +z.
        EXPECT_EQ(plane->texcoords[i * 2], (2.0f - p.x) / 4.0f * 3.0f);
        EXPECT_EQ(plane->texcoords[i * 2 + 1], (p.z + 3.0f) / 6.0f * 3.0f);
    }
    EXPECT_EQ(x_min, -2.0f);
    EXPECT_EQ(x_max, 2.0f);
    EXPECT_EQ(z_min, -3.0f);
    EXPECT_EQ(z_max, 3.0f);
    const Vector3 up(0, 1, 0);
    for (float s : winding_signs(*plane, &up)) EXPECT_LT(s, 0.0f);
}

TEST_F(PrefabsTest, DrawCubeCompilesOneListPerFlagForEverySize)
{
    in_fresh_process([] {
        Prefabs::draw_cube(1.0f, false);
        GLuint outward = Prefabs::cube_list(false);
        ASSERT_NE(outward, 0u);
        EXPECT_TRUE(glIsList(outward));
        Prefabs::draw_cube(2.0f, false);
        EXPECT_EQ(Prefabs::cube_list(false), outward);

        Prefabs::draw_cube(2.0f, true);
        GLuint inward = Prefabs::cube_list(true);
        ASSERT_NE(inward, 0u);
        EXPECT_NE(inward, outward);
        Prefabs::draw_cube(0.5f, true);
        EXPECT_EQ(Prefabs::cube_list(true), inward);

        // The list ends with the -X face: its normal, and its tangent on unit 1 with the flag's
        // sign as the fourth component.
        EXPECT_EQ(current(GL_CURRENT_NORMAL), (std::vector<float>{1, 0, 0, -99}));
        glActiveTexture(GL_TEXTURE1);
        EXPECT_EQ(current(GL_CURRENT_TEXTURE_COORDS), (std::vector<float>{0, 0, 1, -1}));
        Prefabs::draw_cube(0.5f, false);
        EXPECT_EQ(current(GL_CURRENT_TEXTURE_COORDS), (std::vector<float>{0, 0, 1, 1}));
        glActiveTexture(GL_TEXTURE0);
        EXPECT_EQ(current(GL_CURRENT_NORMAL), (std::vector<float>{-1, 0, 0, -99}));
    });
}

TEST_F(PrefabsTest, DrawnCubesScaleAndShowTheirFrontFacesFromEverySide)
{
    in_fresh_process([] {
        // Looking from each axis with back faces culled: the counter-clockwise outside faces show.
        const float views[6][6] = {
            {5, 0, 0, 0, 1, 0}, {-5, 0, 0, 0, 1, 0}, {0, 5, 0, 0, 0, 1},
            {0, -5, 0, 0, 0, 1}, {0, 0, 5, 0, 1, 0}, {0, 0, -5, 0, 1, 0},
        };
        const std::function<void(float)> cubes[] = {
            [](float edge) { Prefabs::draw_cube(edge, false); },
            [](float edge) { Prefabs::draw_cube_immediate(edge); },
        };
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        for (const auto& draw : cubes) {
            for (const auto& v : views) {
                glLoadIdentity();
                gluLookAt(v[0], v[1], v[2], 0, 0, 0, v[3], v[4], v[5]);
                for (float edge : {1.0f, 2.0f}) {
                    glClear(GL_COLOR_BUFFER_BIT);
                    draw(edge);
                    // The ortho view spans 4 units over 256 pixels: 64 pixels per unit.
                    int side = static_cast<int>(edge * 64.0f);
                    EXPECT_NEAR(lit_pixels(), side * side, 2 * side + 1) << "edge " << edge;
                }
            }
        }
    });
}

TEST(PrefabsAppend, CubeQuadsSitAroundTheirCentreFacingOutwardInTheirColour)
{
    const GLfloat colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    const Vector3 centre(4.4f, -2.2f, 1.0f);
    std::vector<GLfloat> quads(3, 7.0f); // appending keeps what is there
    Prefabs::append_cube_quads(quads, 2.0, centre.x, centre.y, centre.z, colour);
    ASSERT_EQ(quads.size(), 3u + 24u * 10u);
    EXPECT_EQ(quads[2], 7.0f);

    // Per corner: colour (4), normal (3), position (3).
    const auto corner = [&](size_t i) { return quads.data() + 3 + i * 10; };
    const auto position = [&](size_t i) { return Vector3(corner(i)[7], corner(i)[8], corner(i)[9]) - centre; };
    std::vector<Vector3> normals;
    for (size_t face = 0; face < 6; ++face) {
        const GLfloat* first = corner(face * 4);
        const Vector3 n(first[4], first[5], first[6]);
        normals.push_back(n);
        for (size_t k = 0; k < 4; ++k) {
            const GLfloat* c = corner(face * 4 + k);
            EXPECT_EQ(std::vector<GLfloat>(c, c + 7), std::vector<GLfloat>(first, first + 7));
            const Vector3 p = position(face * 4 + k);
            for (float v : {p.x, p.y, p.z}) EXPECT_NEAR(std::fabs(v), 1.0f, 1e-5f);
            EXPECT_NEAR(Vector3::dot(p, n), 1.0f, 1e-5f) << "face " << face;
        }
        const Vector3 a = position(face * 4), b = position(face * 4 + 1), c = position(face * 4 + 2);
        EXPECT_GT(Vector3::dot(Vector3::cross(b - a, c - a), n), 0.0f) << "face " << face;
        EXPECT_EQ(std::vector<GLfloat>(first, first + 4), std::vector<GLfloat>(colour, colour + 4));
    }
    // The six faces point six different ways.
    for (size_t i = 0; i < 6; ++i)
        for (size_t j = i + 1; j < 6; ++j) EXPECT_LT(Vector3::dot(normals[i], normals[j]), 0.5f);
}
