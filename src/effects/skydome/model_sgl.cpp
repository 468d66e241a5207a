#include "effects/skydome/model_sgl.h"

#include <GL/glew.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/runtime/byte_order.h"
#include "util/data/datafile.h"
#include "util/error/fatal.h"

namespace {

const char* const SOURCE = "src\\effects\\skydome\\model_sgl";

// The per-format operations over the positions of every vertex.
template <typename Vertex>
struct Operations {
    static Vertex* vertices(const ModelSgl* model) { return reinterpret_cast<Vertex*>(model->data); }

    // Smallest and largest position component per axis; false without data.
    static bool bounds(const ModelSgl* model, float low[3], float high[3])
    {
        if (model->data == nullptr || model->count < 1) return false;
        const Vertex* v = vertices(model);
        for (int axis = 0; axis < 3; ++axis) low[axis] = high[axis] = v[0][axis];
        for (int i = 1; i < model->count; ++i) {
            for (int axis = 0; axis < 3; ++axis) {
                if (v[i][axis] < low[axis]) low[axis] = v[i][axis];
                if (v[i][axis] > high[axis]) high[axis] = v[i][axis];
            }
        }
        return true;
    }

    static void size(const ModelSgl* model, float* x, float* y, float* z)
    {
        float low[3], high[3];
        if (!bounds(model, low, high)) {
            *x = *y = *z = 0.0f;
            return;
        }
        *x = high[0] - low[0];
        *y = high[1] - low[1];
        *z = high[2] - low[2];
    }

    static void center(const ModelSgl* model, float* x, float* y, float* z)
    {
        float low[3], high[3];
        if (!bounds(model, low, high)) return;
        *x = (high[0] + low[0]) / 2.0f;
        *y = (high[1] + low[1]) / 2.0f;
        *z = (high[2] + low[2]) / 2.0f;
    }

    static void translate(ModelSgl* model, float x, float y, float z)
    {
        if (model->data == nullptr) return;
        Vertex* v = vertices(model);
        for (int i = 0; i < model->count; ++i) {
            v[i][0] += x;
            v[i][1] += y;
            v[i][2] += z;
        }
    }

    static void scale(ModelSgl* model, float s)
    {
        if (model->data == nullptr) return;
        Vertex* v = vertices(model);
        for (int i = 0; i < model->count; ++i) {
            for (int axis = 0; axis < 3; ++axis) v[i][axis] *= s;
        }
    }

    static void normalize(ModelSgl* model)
    {
        float low[3], high[3];
        if (!bounds(model, low, high)) return;
        translate(model, -(high[0] + low[0]) / 2.0f, -(high[1] + low[1]) / 2.0f, -(high[2] + low[2]) / 2.0f);
        float extent = 0.0f;
        for (int axis = 0; axis < 3; ++axis) {
            if (high[axis] - low[axis] > extent) extent = high[axis] - low[axis];
        }
        if (extent > 0.0f) scale(model, 2.0f / extent);
    }

    static void choose(ModelSgl* model)
    {
        model->size_operation = size;
        model->center_operation = center;
        model->normalize_operation = normalize;
        model->scale_operation = scale;
        model->translate_operation = translate;
    }
};

bool read_int(FILE* file, std::int32_t* value)
{
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, file) != 4) return false;
    *value = static_cast<std::int32_t>(read_le32(bytes));
    return true;
}

// Bytes from the current position to the end of the file; -1 when the stream cannot seek.
long long bytes_left(FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, here, SEEK_SET) != 0) return -1;
    return static_cast<long long>(end) - here;
}

} // namespace

ModelSgl::~ModelSgl()
{
    release();
}

int ModelSgl::vertex_size(int vertex_format)
{
    switch (vertex_format) {
    case GL_V3F: return 12;
    case GL_N3F_V3F: return 24;
    case GL_T2F_N3F_V3F: return 32;
    default: return 0;
    }
}

bool ModelSgl::load(const char* name)
{
    release();
    FILE* file = DataFile::open_file(name, "rb", false);
    if (file == nullptr) fatal_error(SOURCE, 82, std::string("Failed to load file ") + name);

    std::int32_t header[3];
    const bool header_ok = read_int(file, &header[0]) && header[0] >= 1 && read_int(file, &header[1]) &&
                           header[1] >= 1 && read_int(file, &header[2]) && header[2] >= 1;
    if (header_ok) {
        count = header[0];
        format = header[1];
        mode = header[2];
        switch (format) {
        case GL_V3F: Operations<SglVertex<3, 0>>::choose(this); break;
        case GL_N3F_V3F: Operations<SglVertex<6, 3>>::choose(this); break;
        case GL_T2F_N3F_V3F: Operations<SglVertex<8, 5>>::choose(this); break;
        default: break;
        }
        // The vertices must all be in the file: the size is checked against what is left of it
        // in 64 bits, before anything is allocated.
        const long long needed = static_cast<long long>(count) * vertex_size(format);
        if (needed > 0 && needed <= bytes_left(file)) {
            data = static_cast<float*>(std::malloc(static_cast<size_t>(needed)));
            if (data != nullptr && std::fread(data, static_cast<size_t>(vertex_size(format)), static_cast<size_t>(count),
                                              file) != static_cast<size_t>(count)) {
                std::fclose(file);
                release();
                return false;
            }
        }
    }
    std::fclose(file);
    if (data == nullptr) release();
    return data != nullptr;
}

void ModelSgl::draw() const
{
    if (data == nullptr) return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glInterleavedArrays(static_cast<GLenum>(format), 0, data);
    glDrawArrays(static_cast<GLenum>(mode), 0, count);
    glPopClientAttrib();
}

void ModelSgl::release()
{
    std::free(data);
    data = nullptr;
    format = 0;
    count = 0;
    mode = 0;
    reserved = 0;
    size_operation = nullptr;
    center_operation = nullptr;
    normalize_operation = nullptr;
    scale_operation = nullptr;
    translate_operation = nullptr;
}

void ModelSgl::get_size(float* x, float* y, float* z) const
{
    if (size_operation != nullptr)
        size_operation(this, x, y, z);
    else
        *x = *y = *z = 0.0f;
}

void ModelSgl::get_center(float* x, float* y, float* z) const
{
    if (center_operation != nullptr) center_operation(this, x, y, z);
}

void ModelSgl::normalize()
{
    if (normalize_operation != nullptr) normalize_operation(this);
}

void ModelSgl::scale(float s)
{
    if (scale_operation != nullptr) scale_operation(this, s);
}

void ModelSgl::translate(float x, float y, float z)
{
    if (translate_operation != nullptr) translate_operation(this, x, y, z);
}
