// A minimal static model: one block of interleaved vertices in a GL interleaved-array format,
// read from a ".sgl" file and drawn with one glDrawArrays call, with whole-model transforms.
//
// The file, little-endian: int32 count (>= 1), int32 format (GL_V3F, GL_N3F_V3F or
// GL_T2F_N3F_V3F), int32 mode (a GL primitive mode, >= 1), then count vertices in the format's
// layout.
#pragma once

#include <cstddef>

class ModelSgl;

// One vertex of Floats floats whose position starts at float Position.
template <std::size_t Floats, int Position>
struct SglVertex {
    float f[Floats];
    // Component i (0..2) of the position.
    float& operator[](int i) { return f[Position + i]; }
    const float& operator[](int i) const { return f[Position + i]; }
};

class ModelSgl {
public:
    typedef void (*ExtentOperation)(const ModelSgl* model, float* x, float* y, float* z);
    typedef void (*NormalizeOperation)(ModelSgl* model);
    typedef void (*ScaleOperation)(ModelSgl* model, float s);
    typedef void (*TranslateOperation)(ModelSgl* model, float x, float y, float z);

    ModelSgl() = default;
    ~ModelSgl();
    ModelSgl(const ModelSgl&) = delete;
    ModelSgl& operator=(const ModelSgl&) = delete;

    // Reads a ".sgl" file through the data layer, dropping any model held before; true when
    // vertex data is present afterwards. A file that cannot be opened is fatal; a short or
    // invalid header, an unknown format or vertices the file does not hold give false.
    bool load(const char* name);
    // With data: the vertices as interleaved arrays, drawn in the file's mode; the client
    // array state is left as it was.
    void draw() const;
    // Frees the data and zeroes every field.
    void release();

    // Per axis, the bounding box's extent (largest - smallest); all 0 without data.
    void get_size(float* x, float* y, float* z) const;
    // Per axis, the middle of the bounding box; the outputs are left alone without data.
    void get_center(float* x, float* y, float* z) const;
    // Centres the bounding box on the origin and scales its longest extent to 2 (a flat
    // model is only centred).
    void normalize();
    void scale(float s);
    void translate(float x, float y, float z);

    // Bytes per vertex of a format; 0 for any other value.
    static int vertex_size(int format);

    float* data = nullptr;
    int format = 0;
    int count = 0;
    int mode = 0;
    int reserved = 0;
    ExtentOperation size_operation = nullptr;
    ExtentOperation center_operation = nullptr;
    NormalizeOperation normalize_operation = nullptr;
    ScaleOperation scale_operation = nullptr;
    TranslateOperation translate_operation = nullptr;
};
