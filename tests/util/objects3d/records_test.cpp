#include <gtest/gtest.h>

#include "util/objects3d/geomobject.h"
#include "util/objects3d/material.h"
#include "util/objects3d/mesh.h"
#include "util/objects3d/node3d.h"

namespace {

bool is_identity(const Matrix4& m)
{
    for (int i = 0; i < 16; ++i) {
        if (m.m[i] != ((i % 5 == 0) ? 1.0f : 0.0f)) return false;
    }
    return true;
}

} // namespace

TEST(SceneRecords, MaterialIsTranslucentBelowAnAlphaOf099)
{
    Material material;
    EXPECT_EQ(material.name, "dummy");
    EXPECT_EQ(material.ambient.x, 0.1f);
    EXPECT_EQ(material.specular.w, 1.0f);
    EXPECT_EQ(material.shininess, 20.0f);
    EXPECT_EQ(material.texture, nullptr);
    EXPECT_EQ(material.glow_texture, nullptr);
    const struct {
        float alpha;
        bool translucent;
    } cases[] = {{1.0f, false}, {0.99f, false}, {0.989f, true}, {0.5f, true}, {0.0f, true}};
    for (const auto& c : cases) {
        material.diffuse.w = c.alpha;
        EXPECT_EQ(material.translucent(), c.translucent) << c.alpha;
    }
}

TEST(SceneRecords, NodeResetKeepsTheParent)
{
    Node3D root;
    EXPECT_EQ(root.parent, -1);
    Node3D node(4);
    EXPECT_EQ(node.parent, 4);
    EXPECT_EQ(node.index, -1);
    EXPECT_TRUE(node.visible);
    EXPECT_TRUE(node.enabled);
    EXPECT_FALSE(node.mirrored);
    EXPECT_TRUE(is_identity(node.transform));

    node.index = 2;
    node.mirrored = true;
    node.visible = false;
    node.enabled = false;
    node.transform.translate(1, 2, 3);
    node.children.push_back(5);
    node.reset();
    EXPECT_EQ(node.parent, 4);
    EXPECT_EQ(node.index, -1);
    EXPECT_TRUE(node.visible);
    EXPECT_TRUE(node.enabled);
    EXPECT_FALSE(node.mirrored);
    EXPECT_TRUE(is_identity(node.transform));
}

TEST(SceneRecords, GeomObjectStartsUnreferencedDirtyAndFullyDrawn)
{
    GeomObject object;
    EXPECT_TRUE(object.visible);
    EXPECT_EQ(object.mesh_id, -1);
    EXPECT_EQ(object.mesh_ptr, nullptr);
    EXPECT_EQ(object.array_buffer, 0u);
    EXPECT_EQ(object.element_buffer, 0u);
    EXPECT_TRUE(object.array_dirty);
    EXPECT_TRUE(object.element_dirty);
    EXPECT_FALSE(object.array_allocated);
    EXPECT_EQ(object.skipped_indices_start, 0);
    EXPECT_EQ(object.skipped_indices_end, 0);
    EXPECT_FALSE(object.z_sort);
    EXPECT_FALSE(object.explode);
    EXPECT_LT(object.start_fraction, 0.0f);
    EXPECT_LT(object.end_fraction, 0.0f);
    EXPECT_TRUE(is_identity(object.transform));

    Mesh mesh;
    EXPECT_EQ(mesh.vertices_stride + mesh.normals_stride + mesh.tangents_stride + mesh.texcoords_stride, 0);
}
