// One drawable of the 3-D renderer: a mesh seen through its own index lists, a material, a
// transform, and the flattened streams with their GPU buffers. Each corner of a triangle
// names one element per stream; a triangle is three consecutive corners.
#pragma once

#include <string>
#include <vector>

#include "util/math/matrix4.h"
#include "util/math/vector3.h"
#include "util/objects3d/mesh.h"

struct GeomObject {
    GeomObject() = default;
    // Deletes the GPU buffers when they were made.
    ~GeomObject();
    GeomObject(const GeomObject&) = delete;
    GeomObject& operator=(const GeomObject&) = delete;

    // First use: flattens the mesh through the index lists into the working streams, makes
    // both buffers and uploads them. False when GL gives no buffer name. An index that names
    // no element of its stream, or an index list shorter than the vertex list, is fatal.
    bool create_buffers();
    // Before every draw: recomputes the reveal range and the explode offsets when those are
    // on, and uploads what is dirty.
    bool update();
    // Fills the dirty buffers; the element buffer starts at the first drawn corner.
    bool upload();
    // Corners to draw: all but the skipped ones at the front and the end (0 when they
    // overlap).
    int drawn_corners() const;

    bool visible = true;

    std::string name = "dummy";

    // Per corner, the element index into the mesh's stream of that kind.
    std::vector<int> ivertices;
    std::vector<int> inormals;
    std::vector<int> itangents;
    std::vector<int> itexcoords;

    int mesh_id = -1;        // position of the mesh in the renderer's mesh list
    int material_index = 0;  // position of the material in the renderer's material list
    bool textured = false;   // the material's colour texture and the mesh's texcoords are used
    Mesh* mesh_ptr = nullptr;

    // When non-empty, used in place of the mesh's stream of that kind (same stride).
    // Texture coordinates always come from the mesh.
    std::vector<float> vertices_override;
    std::vector<float> normals_override;
    std::vector<float> tangents_override;

    // Corners left undrawn at the front and at the end (multiples of 3).
    int skipped_indices_start = 0;
    int skipped_indices_end = 0;

    Matrix4 transform; // multiplied onto the modelview when the object is drawn

    // GL buffer names; 0 = not created.
    unsigned int array_buffer = 0;
    unsigned int element_buffer = 0;
    bool array_dirty = true;
    bool array_allocated = false;
    bool element_dirty = true;

    // The flattened streams, one element per corner, and the identity element list.
    std::vector<float> working_vertices;
    std::vector<float> working_normals;
    std::vector<float> working_tangents;
    std::vector<float> working_texcoords;
    std::vector<unsigned int> working_indices;
    int vertices_bytes = 0;
    int normals_bytes = 0;
    int tangents_bytes = 0;
    int texcoords_bytes = 0;
    int indices_bytes = 0;

    // Reveal by depth: hides a share of the z range from the near and the far end.
    bool z_sort = false;
    std::vector<float> triangle_depths; // one per triangle, ascending, in triangle order
    float start_fraction = -1.0f;       // negative = off
    float end_fraction = -50.0f;        // negative = off
    float z_min = 1e9f;
    float z_max = -1e9f;
    float last_start_fraction = -1.0f;
    float last_end_fraction = -50.0f;
    int last_skipped_start = 0;
    int last_skipped_end = 0;
    bool z_range_dirty = true;
    bool z_sorted = false;

    // Explode: pushes each triangle away from the centre of the bounding box.
    bool explode = false;
    float explode_factor = 1.0f;
    Vector3 explode_centre{0.0f, 0.0f, 0.0f};

private:
    // Rewrites the four working streams and the identity element list from the sources.
    void flatten();
    // The reveal range from the triangle depths; element dirty when the front share moved.
    void update_reveal();
    // Pushes each triangle away from the centre of the bounding box of all corners.
    void apply_explode();
};
