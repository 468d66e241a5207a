#include "util/objects3d/geomobject.h"

#include <GL/glew.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "objects3d_fixture.h"
#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "util/objects3d/material.h"
#include "util/objects3d/objects3d.h"
#include "util/objects3d/prefabs.h"

using namespace objects3d_fixture;

namespace {

GLint buffer_size(GLenum target, GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    glBindBuffer(target, 0);
    return size;
}

template <typename T>
std::vector<T> buffer_contents(GLenum target, GLuint buffer, size_t count, size_t first = 0)
{
    std::vector<T> values(count);
    glBindBuffer(target, buffer);
    glGetBufferSubData(target, static_cast<GLintptr>(first * sizeof(T)),
                       static_cast<GLsizeiptr>(count * sizeof(T)), values.data());
    glBindBuffer(target, 0);
    return values;
}

// Four triangles stacked along z at 0, 1, 2 and 3, positions only.
Mesh stacked_triangles()
{
    Mesh mesh;
    mesh.name = "Stack";
    for (int t = 0; t < 4; ++t) {
        const float z = static_cast<float>(t);
        mesh.vertices.insert(mesh.vertices.end(), {0, 0, z, 1, 0, z, 0, 1, z});
    }
    mesh.vertices_stride = 3;
    return mesh;
}

// An object over a mesh, its index lists filled as the renderer fills them.
GeomObject* make_object(Objects3D& renderer, Mesh& mesh, Material& material)
{
    return renderer.add_geom_object(&mesh, &material);
}

// An object over the stacked triangles, set to reveal them in their depth order.
GeomObject* make_sorted_stack(Objects3D& renderer, Mesh& mesh, Material& material)
{
    GeomObject* object = make_object(renderer, mesh, material);
    object->z_sort = true;
    object->z_sorted = true;
    object->triangle_depths = {0, 1, 2, 3};
    return object;
}

class GeomObjectTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        reset_gl_state();
    }
};

} // namespace

TEST_F(GeomObjectTest, CubeBuffersHoldEveryCornerOnceInStreamOrder)
{
    std::unique_ptr<Mesh> cube(Prefabs::cube_mesh(2.0f, false));
    Material material;
    Objects3D renderer;
    GeomObject* object = make_object(renderer, *cube, material);
    ASSERT_TRUE(object->create_buffers());
    ASSERT_NE(object->array_buffer, 0u);
    ASSERT_NE(object->element_buffer, 0u);
    // 36 corners x (3 position + 3 normal + 2 texture coordinate floats) x 4 bytes.
    EXPECT_EQ(buffer_size(GL_ARRAY_BUFFER, object->array_buffer), 1152);
    EXPECT_EQ(buffer_size(GL_ELEMENT_ARRAY_BUFFER, object->element_buffer), 144);
    EXPECT_EQ(object->vertices_bytes, 432);
    EXPECT_EQ(object->normals_bytes, 432);
    EXPECT_EQ(object->tangents_bytes, 0);
    EXPECT_EQ(object->texcoords_bytes, 288);
    EXPECT_FALSE(object->array_dirty);
    EXPECT_FALSE(object->element_dirty);

    const std::vector<float> data = buffer_contents<float>(GL_ARRAY_BUFFER, object->array_buffer, 288);
    EXPECT_EQ(std::vector<float>(data.begin(), data.begin() + 108), cube->vertices);
    EXPECT_EQ(std::vector<float>(data.begin() + 108, data.begin() + 216), cube->normals);
    EXPECT_EQ(std::vector<float>(data.begin() + 216, data.end()), cube->texcoords);
    const std::vector<unsigned int> indices =
        buffer_contents<unsigned int>(GL_ELEMENT_ARRAY_BUFFER, object->element_buffer, 36);
    for (unsigned int i = 0; i < 36; ++i) EXPECT_EQ(indices[i], i);
}

TEST_F(GeomObjectTest, AbsentNormalsLeaveTextureCoordinatesRightAfterThePositions)
{
    Mesh mesh;
    mesh.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh.vertices_stride = 3;
    mesh.texcoords = {0, 0, 1, 0, 0, 1};
    mesh.texcoords_stride = 2;
    Material material;
    Objects3D renderer;
    GeomObject* object = make_object(renderer, mesh, material);
    ASSERT_TRUE(object->create_buffers());
    EXPECT_EQ(buffer_size(GL_ARRAY_BUFFER, object->array_buffer), 60);
    EXPECT_EQ(object->normals_bytes, 0);
    const std::vector<float> data = buffer_contents<float>(GL_ARRAY_BUFFER, object->array_buffer, 15);
    EXPECT_EQ(std::vector<float>(data.begin() + 9, data.end()), mesh.texcoords);
}

TEST_F(GeomObjectTest, IndexListsPickAndRepeatElements)
{
    // A quad of four shared corners drawn as two triangles through the index lists.
    Mesh mesh;
    mesh.vertices = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    mesh.vertices_stride = 3;
    GeomObject object;
    object.mesh_id = 0;
    object.mesh_ptr = &mesh;
    object.ivertices = {0, 1, 2, 0, 2, 3};
    ASSERT_TRUE(object.create_buffers());
    const std::vector<float> data = buffer_contents<float>(GL_ARRAY_BUFFER, object.array_buffer, 18);
    const std::vector<float> expected = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0};
    EXPECT_EQ(data, expected);
    EXPECT_EQ(object.drawn_corners(), 6);
}

TEST_F(GeomObjectTest, UpdateUploadsOnlyWhatIsDirty)
{
    Mesh mesh = stacked_triangles();
    Material material;
    Objects3D renderer;
    GeomObject* object = make_object(renderer, mesh, material);
    ASSERT_TRUE(object->create_buffers());

    // Changed mesh data reaches the GPU only once the array is flagged dirty.
    mesh.vertices[0] = 7.0f;
    ASSERT_TRUE(object->update());
    EXPECT_EQ(buffer_contents<float>(GL_ARRAY_BUFFER, object->array_buffer, 1)[0], 0.0f);
    object->array_dirty = true;
    ASSERT_TRUE(object->update());
    EXPECT_EQ(buffer_contents<float>(GL_ARRAY_BUFFER, object->array_buffer, 1)[0], 7.0f);
    EXPECT_FALSE(object->array_dirty);
}

TEST_F(GeomObjectTest, RevealHidesTheNearAndFarShares)
{
    Mesh mesh = stacked_triangles();
    Material material;
    const struct {
        float start;
        float end;
        int skipped_start;
        int skipped_end;
    } cases[] = {
        {0.0f, 0.0f, 0, 0},   // both at zero: nothing hidden
        {-1.0f, -50.0f, 0, 0}, // both off
        {0.5f, -50.0f, 3, 0}, // threshold 1.5: the last triangle below it is 1, so 0 is hidden
        {0.9f, -50.0f, 6, 0}, // threshold 2.7: triangles 0 and 1 hidden
        // From the far end the first triangle below the threshold is hidden as well.
        {-1.0f, 0.5f, 0, 9},  // threshold 1.5: triangles 1 to 3 hidden
        {-1.0f, 0.1f, 0, 6},  // threshold 2.7: triangles 2 and 3 hidden
    };
    for (const auto& c : cases) {
        Objects3D renderer;
        GeomObject* object = make_sorted_stack(renderer, mesh, material);
        ASSERT_TRUE(object->create_buffers());
        object->start_fraction = c.start;
        object->end_fraction = c.end;
        ASSERT_TRUE(object->update());
        const std::string what = std::to_string(c.start) + "/" + std::to_string(c.end);
        EXPECT_EQ(object->skipped_indices_start, c.skipped_start) << what;
        EXPECT_EQ(object->skipped_indices_end, c.skipped_end) << what;
        EXPECT_EQ(object->drawn_corners(), 12 - c.skipped_start - c.skipped_end) << what;
        // The element buffer starts at the first drawn corner.
        const GLint bytes = buffer_size(GL_ELEMENT_ARRAY_BUFFER, object->element_buffer);
        EXPECT_EQ(bytes, 4 * (12 - c.skipped_start)) << what;
        if (bytes > 0) {
            EXPECT_EQ(buffer_contents<unsigned int>(GL_ELEMENT_ARRAY_BUFFER, object->element_buffer, 1)[0],
                      static_cast<unsigned int>(c.skipped_start))
                << what;
        }
        if (c.start >= 0.0f || c.end >= 0.0f) {
            EXPECT_FLOAT_EQ(object->z_min, 0.0f) << what;
            EXPECT_FLOAT_EQ(object->z_max, 3.0f) << what;
        }
    }
}

TEST_F(GeomObjectTest, RevealWithUnchangedFractionsUploadsNothing)
{
    Mesh mesh = stacked_triangles();
    Material material;
    Objects3D renderer;
    GeomObject* object = make_sorted_stack(renderer, mesh, material);
    ASSERT_TRUE(object->create_buffers());
    mesh.vertices[0] = 9.0f;
    object->array_dirty = true;
    ASSERT_TRUE(object->update()); // fractions as last time: returns before uploading
    EXPECT_TRUE(object->array_dirty);
    EXPECT_EQ(buffer_contents<float>(GL_ARRAY_BUFFER, object->array_buffer, 1)[0], 0.0f);
}

TEST_F(GeomObjectTest, RevealMeasuresTheMeshsOwnZRangeAndOnlyWidensIt)
{
    Mesh mesh = stacked_triangles();
    Material material;
    Objects3D renderer;
    GeomObject* object = make_sorted_stack(renderer, mesh, material);
    object->start_fraction = 0.5f;
    ASSERT_TRUE(object->create_buffers());
    ASSERT_TRUE(object->update());
    EXPECT_FLOAT_EQ(object->z_min, 0.0f);
    EXPECT_FLOAT_EQ(object->z_max, 3.0f);

    // The override moves the drawn stack to z 10..13; the range stays the mesh's 0..3, so
    // the threshold stays at 1.5 and only triangle 0 is hidden.
    object->vertices_override = mesh.vertices;
    for (size_t i = 2; i < object->vertices_override.size(); i += 3) object->vertices_override[i] += 10.0f;
    object->array_dirty = true;
    ASSERT_TRUE(object->update());
    EXPECT_FLOAT_EQ(object->z_min, 0.0f);
    EXPECT_FLOAT_EQ(object->z_max, 3.0f);
    EXPECT_EQ(object->skipped_indices_start, 3);
    EXPECT_EQ(buffer_contents<float>(GL_ARRAY_BUFFER, object->array_buffer, 3)[2], 10.0f);

    // The mesh itself moves to z 10..13 and asks for a new scan: the far end follows it,
    // the near end keeps the 0 it had.
    object->vertices_override.clear();
    for (size_t i = 2; i < mesh.vertices.size(); i += 3) mesh.vertices[i] += 10.0f;
    object->z_range_dirty = true;
    object->start_fraction = 0.6f;
    ASSERT_TRUE(object->update());
    EXPECT_FLOAT_EQ(object->z_min, 0.0f);
    EXPECT_FLOAT_EQ(object->z_max, 13.0f);
}

TEST_F(GeomObjectTest, ExplodeMovesEachTriangleByItsFirstCornerAndReachesTheGpu)
{
    // Two triangles: one with its first corner at the box centre, one away from it.
    Mesh mesh;
    mesh.vertices = {1, 1, 0, 2, 1, 0, 1, 2, 0,   // first corner (1, 1, 0): the centre
                     0, 0, 0, 0.5f, 0, 0, 0, 0.5f, 0, // first corner (0, 0, 0)
                     2, 2, 0, 2, 2, 0, 2, 2, 0};
    mesh.vertices_stride = 3;
    Material material;
    Objects3D renderer;
    GeomObject* object = make_object(renderer, mesh, material);
    ASSERT_TRUE(object->create_buffers());
    object->explode = true;
    object->explode_factor = 1.0f;
    ASSERT_TRUE(object->update());
    EXPECT_FLOAT_EQ(object->explode_centre.x, 1.0f);
    EXPECT_FLOAT_EQ(object->explode_centre.y, 1.0f);
    const std::vector<float> data = buffer_contents<float>(GL_ARRAY_BUFFER, object->array_buffer, 27);
    const std::vector<float> expected = {1, 1, 0, 2, 1, 0, 1, 2, 0,           // stays put
                                         -1, -1, 0, -0.5f, -1, 0, -1, -0.5f, 0, // moved by (-1, -1)
                                         3, 3, 0, 3, 3, 0, 3, 3, 0};           // moved by (1, 1)
    EXPECT_EQ(data, expected);
}

TEST_F(GeomObjectTest, BrokenObjectsAreFatal)
{
    const auto bad_index = [] {
        Mesh mesh = stacked_triangles();
        GeomObject object;
        object.mesh_id = 0;
        object.mesh_ptr = &mesh;
        object.ivertices = {0, 1, 12};
        object.create_buffers();
    };
    const auto short_list = [] {
        Mesh mesh = stacked_triangles();
        mesh.normals = mesh.vertices;
        mesh.normals_stride = 3;
        GeomObject object;
        object.mesh_id = 0;
        object.mesh_ptr = &mesh;
        object.ivertices = {0, 1, 2};
        object.inormals = {0, 1};
        object.create_buffers();
    };
    const auto missing_mesh = [] {
        GeomObject object;
        object.mesh_id = 0;
        object.create_buffers();
    };
    const auto unsorted = [] {
        Mesh mesh = stacked_triangles();
        Material material;
        Objects3D renderer;
        GeomObject* object = renderer.add_geom_object(&mesh, &material);
        object->z_sort = true;
        object->start_fraction = 0.5f;
        object->update();
    };
    const auto depths_missing = [] {
        Mesh mesh = stacked_triangles();
        Material material;
        Objects3D renderer;
        GeomObject* object = renderer.add_geom_object(&mesh, &material);
        object->z_sort = true;
        object->z_sorted = true;
        object->triangle_depths = {0, 1};
        object->start_fraction = 0.5f;
        object->update();
    };
    const auto explode_stride = [] {
        Mesh mesh;
        mesh.vertices = {0, 0, 1, 0, 0, 1};
        mesh.vertices_stride = 2;
        Material material;
        Objects3D renderer;
        GeomObject* object = renderer.add_geom_object(&mesh, &material);
        object->explode = true;
        object->update();
    };
    const struct {
        std::function<void()> body;
        int line;
        std::string message;
    } cases[] = {
        {bad_index, 0, "Corner 2 names vertex element 12 of 12"},
        {short_list, 0, "The normal index list holds 2 entries for 3 corners"},
        {missing_mesh, 110, "mesh_ptr is NULL"},
        {unsorted, 195, "Failed assert z_sorted"},
        {depths_missing, 0, "Reveal needs one depth per triangle: 2 depths for 4 triangles"},
        {explode_stride, 271, "Failed assert 3 == mesh_ptr->vertices_stride"},
    };
    for (const auto& c : cases) {
        expect_fatal(run_in_gl_child(c.body, WINDOW_WIDTH, WINDOW_HEIGHT),
                     GEOM_SOURCE, c.line, c.message);
    }
}
