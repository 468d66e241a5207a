#include "util/objects3d/geomobject.h"

#include <GL/glew.h>
#include <algorithm>
#include <sstream>

#include "util/error/fatal.h"

namespace {

const char* const GEOM_SOURCE = "src\\util\\objects3d\\geomobject";

const int CREATE_MESH_ID_LINE = 109;
const int CREATE_MESH_PTR_LINE = 110;
const int UPDATE_MESH_ID_LINE = 168;
const int UPDATE_MESH_PTR_LINE = 169;
const int Z_SORTED_LINE = 195;
const int SKIPPED_END_MAX_LINE = 216;
const int SKIPPED_END_MIN_LINE = 217;
const int SKIPPED_START_MAX_LINE = 232;
const int SKIPPED_START_MIN_LINE = 233;
const int EXPLODE_TRIANGLES_LINE = 270;
const int EXPLODE_STRIDE_LINE = 271;
const int UPLOAD_MESH_ID_LINE = 363;
const int UPLOAD_MESH_PTR_LINE = 364;

void check_references(const GeomObject& object, int id_line, int ptr_line)
{
    if (object.mesh_id < 0) fatal_error(GEOM_SOURCE, id_line, assert_text("mesh_id >= 0"));
    if (object.mesh_ptr == nullptr) fatal_error(GEOM_SOURCE, ptr_line, null_text("mesh_ptr"));
}

// Appends, for each of the first `corners` entries of the index list, the `stride` floats of
// the element it names. Every index must name a whole element of the source.
void flatten_stream(const char* kind, const std::vector<int>& indices, size_t corners,
                    const std::vector<float>& source, int stride, std::vector<float>& out)
{
    out.clear();
    if (stride <= 0) return;
    const size_t step = static_cast<size_t>(stride);
    const size_t elements = source.size() / step;
    if (indices.size() < corners) {
        std::ostringstream message;
        message << "The " << kind << " index list holds " << indices.size()
                << " entries for " << corners << " corners";
        FATAL_ERROR(GEOM_SOURCE, message.str());
    }
    out.reserve(corners * step);
    for (size_t i = 0; i < corners; ++i) {
        const int index = indices[i];
        if (index < 0 || static_cast<size_t>(index) >= elements) {
            std::ostringstream message;
            message << "Corner " << i << " names " << kind << " element " << index << " of "
                    << elements;
            FATAL_ERROR(GEOM_SOURCE, message.str());
        }
        const float* element = source.data() + static_cast<size_t>(index) * step;
        out.insert(out.end(), element, element + step);
    }
}

int byte_size(size_t count) { return static_cast<int>(count * sizeof(float)); }

} // namespace

GeomObject::~GeomObject()
{
    if (array_buffer != 0) glDeleteBuffers(1, &array_buffer);
    if (element_buffer != 0) glDeleteBuffers(1, &element_buffer);
}

void GeomObject::flatten()
{
    const Mesh& mesh = *mesh_ptr;
    const std::vector<float>& vertices = vertices_override.empty() ? mesh.vertices : vertices_override;
    const std::vector<float>& normals = normals_override.empty() ? mesh.normals : normals_override;
    const std::vector<float>& tangents = tangents_override.empty() ? mesh.tangents : tangents_override;
    const size_t corners = ivertices.size();

    flatten_stream("vertex", ivertices, corners, vertices, mesh.vertices_stride, working_vertices);
    flatten_stream("normal", inormals, corners, normals, mesh.normals_stride, working_normals);
    flatten_stream("tangent", itangents, corners, tangents, mesh.tangents_stride, working_tangents);
    flatten_stream("texture coordinate", itexcoords, corners, mesh.texcoords,
                   mesh.texcoords_stride, working_texcoords);

    working_indices.resize(corners);
    for (size_t i = 0; i < corners; ++i) working_indices[i] = static_cast<unsigned int>(i);

    // Index lists changed since the buffers were made: the storage no longer fits the
    // streams, so it is allocated anew instead of written past its end.
    const int old_total = vertices_bytes + normals_bytes + tangents_bytes + texcoords_bytes;
    vertices_bytes = byte_size(working_vertices.size());
    normals_bytes = byte_size(working_normals.size());
    tangents_bytes = byte_size(working_tangents.size());
    texcoords_bytes = byte_size(working_texcoords.size());
    const int old_indices_bytes = indices_bytes;
    indices_bytes = byte_size(working_indices.size());
    if (vertices_bytes + normals_bytes + tangents_bytes + texcoords_bytes != old_total) {
        array_allocated = false;
        array_dirty = true;
    }
    if (indices_bytes != old_indices_bytes) element_dirty = true;
}

bool GeomObject::create_buffers()
{
    check_references(*this, CREATE_MESH_ID_LINE, CREATE_MESH_PTR_LINE);
    flatten();

    if (array_buffer == 0) glGenBuffers(1, &array_buffer);
    if (element_buffer == 0) glGenBuffers(1, &element_buffer);
    if (array_buffer == 0 || element_buffer == 0) return false;

    array_dirty = true;
    element_dirty = true;
    return upload();
}

bool GeomObject::upload()
{
    check_references(*this, UPLOAD_MESH_ID_LINE, UPLOAD_MESH_PTR_LINE);
    const Mesh& mesh = *mesh_ptr;

    if (array_dirty) {
        glBindBuffer(GL_ARRAY_BUFFER, array_buffer);
        if (!array_allocated) {
            glBufferData(GL_ARRAY_BUFFER,
                         vertices_bytes + normals_bytes + tangents_bytes + texcoords_bytes,
                         nullptr, GL_DYNAMIC_DRAW);
            array_allocated = true;
        }
        const struct {
            int stride;
            const std::vector<float>& data;
            int bytes;
        } streams[] = {{mesh.vertices_stride, working_vertices, vertices_bytes},
                       {mesh.normals_stride, working_normals, normals_bytes},
                       {mesh.tangents_stride, working_tangents, tangents_bytes},
                       {mesh.texcoords_stride, working_texcoords, texcoords_bytes}};
        GLintptr offset = 0;
        for (const auto& stream : streams) {
            if (stream.stride != 0 && stream.bytes > 0) {
                glBufferSubData(GL_ARRAY_BUFFER, offset, stream.bytes, stream.data.data());
            }
            offset += stream.bytes;
        }
        array_dirty = false;
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    }

    if (element_dirty) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, element_buffer);
        const int start = std::min(std::max(skipped_indices_start, 0),
                                   static_cast<int>(working_indices.size()));
        const int bytes = indices_bytes - 4 * start;
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, bytes,
                     bytes > 0 ? working_indices.data() + start : nullptr, GL_DYNAMIC_DRAW);
        element_dirty = false;
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
    return true;
}

int GeomObject::drawn_corners() const
{
    const int corners = static_cast<int>(working_indices.size());
    const int skipped = skipped_indices_start + skipped_indices_end;
    return skipped < corners ? corners - skipped : 0;
}

void GeomObject::update_reveal()
{
    const Mesh& mesh = *mesh_ptr;
    const int corners = static_cast<int>(ivertices.size());

    // The z range is the mesh's own: an override moves what is drawn, while the shares stay
    // measured against the mesh it came from. Each scan widens the range it has, which
    // starts empty (1e9 .. -1e9).
    if (!vertices_override.empty() || z_range_dirty) {
        const std::vector<float>& positions = mesh.vertices;
        const int stride = mesh.vertices_stride;
        if (stride > 0) {
            for (size_t i = static_cast<size_t>(stride) - 1; i < positions.size(); i += static_cast<size_t>(stride)) {
                z_max = std::max(z_max, positions[i]);
                z_min = std::min(z_min, positions[i]);
            }
        }
        z_range_dirty = false;
    }

    if (!z_sorted) fatal_error(GEOM_SOURCE, Z_SORTED_LINE, assert_text("z_sorted"));
    const int triangles = corners / 3;
    if (static_cast<int>(triangle_depths.size()) != triangles || triangles == 0) {
        std::ostringstream message;
        message << "Reveal needs one depth per triangle: " << triangle_depths.size()
                << " depths for " << triangles << " triangles";
        FATAL_ERROR(GEOM_SOURCE, message.str());
    }

    const float range = z_max - z_min;
    const float start_threshold = start_fraction >= 0.0f ? z_min + range * start_fraction : 0.0f;
    const float end_threshold = end_fraction >= 0.0f ? z_max - range * end_fraction : 0.0f;
    last_start_fraction = start_fraction;
    last_end_fraction = end_fraction;

    skipped_indices_end = 0;
    if (end_fraction > 0.0f) {
        int k = triangles - 1;
        while (k > 0 && !(triangle_depths[static_cast<size_t>(k)] < end_threshold)) --k;
        skipped_indices_end = corners - 3 * k;
    }
    if (skipped_indices_end > corners) {
        fatal_error(GEOM_SOURCE, SKIPPED_END_MAX_LINE,
                    assert_text("skipped_indices_end <= ivertices.size()"));
    }
    if (skipped_indices_end < 0) {
        fatal_error(GEOM_SOURCE, SKIPPED_END_MIN_LINE, assert_text("skipped_indices_end >= 0"));
    }

    skipped_indices_start = 0;
    if (start_fraction > 0.0f) {
        for (int k = triangles - 1; k > 0; --k) {
            if (triangle_depths[static_cast<size_t>(k)] < start_threshold) {
                skipped_indices_start = 3 * k;
                break;
            }
        }
    }
    if (skipped_indices_start > corners) {
        fatal_error(GEOM_SOURCE, SKIPPED_START_MAX_LINE,
                    assert_text("skipped_indices_start <= ivertices.size()"));
    }
    if (skipped_indices_start < 0) {
        fatal_error(GEOM_SOURCE, SKIPPED_START_MIN_LINE, assert_text("skipped_indices_start >= 0"));
    }

    if (skipped_indices_start != last_skipped_start) element_dirty = true;
    last_skipped_start = skipped_indices_start;
    last_skipped_end = skipped_indices_end;
}

void GeomObject::apply_explode()
{
    const Mesh& mesh = *mesh_ptr;
    if (ivertices.size() % 3 != 0) {
        fatal_error(GEOM_SOURCE, EXPLODE_TRIANGLES_LINE, assert_text("0 == ivertices.size() % 3"));
    }
    if (mesh.vertices_stride != 3) {
        fatal_error(GEOM_SOURCE, EXPLODE_STRIDE_LINE,
                    assert_text("3 == mesh_ptr->vertices_stride"));
    }
    // The source positions, corner by corner; the other streams are copied unchanged.
    flatten();

    Vector3 low(1000000.0f, 1000000.0f, 1000000.0f);
    Vector3 high(-1000000.0f, -1000000.0f, -1000000.0f);
    const size_t corners = ivertices.size();
    for (size_t i = 0; i < corners; ++i) {
        for (int c = 0; c < 3; ++c) {
            const float v = working_vertices[i * 3 + static_cast<size_t>(c)];
            low[c] = std::min(low[c], v);
            high[c] = std::max(high[c], v);
        }
    }
    for (int c = 0; c < 3; ++c) explode_centre[c] = (low[c] + high[c]) * 0.5f;

    for (size_t i = 0; i < corners; i += 3) {
        for (int c = 0; c < 3; ++c) {
            const float offset = (working_vertices[i * 3 + static_cast<size_t>(c)] -
                                  explode_centre[c]) * explode_factor;
            for (size_t corner = i; corner < i + 3; ++corner) {
                working_vertices[corner * 3 + static_cast<size_t>(c)] += offset;
            }
        }
    }
    // The moved positions must reach the GPU.
    array_dirty = true;
}

bool GeomObject::update()
{
    check_references(*this, UPDATE_MESH_ID_LINE, UPDATE_MESH_PTR_LINE);
    if (!array_dirty && !element_dirty && !z_sort && !explode) return true;

    if (z_sort) {
        // Nothing moved: the buffers already hold this range. An exploding object still
        // needs its offsets recomputed.
        if (vertices_override.empty() && start_fraction == last_start_fraction &&
            end_fraction == last_end_fraction && !explode) {
            return true;
        }
        update_reveal();
    } else {
        // The element buffer was filled from the old front share: refill it from corner 0.
        if (last_skipped_start != 0) element_dirty = true;
        skipped_indices_start = 0;
        skipped_indices_end = 0;
        last_skipped_start = 0;
        last_skipped_end = 0;
    }

    if (explode) {
        apply_explode();
    } else {
        flatten();
    }
    return upload();
}
