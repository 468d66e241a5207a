// libFuzzer target for the ".sgl" model reader: the input is the file it reads. A loaded
// model is measured, normalised and moved, so every vertex it claims is touched.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <GL/glew.h>

#include "effects/skydome/model_sgl.h"
#include "util/data/datafile.h"
#include "util/error/fatal.h"

namespace {
const std::uint8_t* g_data = nullptr;
size_t g_size = 0;
} // namespace

// The file comes from the input (an empty input is an empty file); nothing is drawn.
FILE* DataFile::open_file(const char*, const char*, bool)
{
    FILE* file = std::tmpfile();
    if (file == nullptr) std::abort();
    if (g_size > 0 && std::fwrite(g_data, 1, g_size, file) != g_size) std::abort();
    std::rewind(file);
    return file;
}
void fatal_error(const char*, int, const std::string&)
{
    std::abort();
}
extern "C" {
void glPushClientAttrib(GLbitfield) {}
void glPopClientAttrib() {}
void glInterleavedArrays(GLenum, GLsizei, const void*) {}
void glDrawArrays(GLenum, GLint, GLsizei) {}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    g_data = data;
    g_size = size;
    ModelSgl model;
    if (model.load("fuzz.sgl")) {
        if (model.count < 1 || ModelSgl::vertex_size(model.format) == 0) std::abort();
        float x = 0, y = 0, z = 0;
        model.get_size(&x, &y, &z);
        model.get_center(&x, &y, &z);
        model.normalize();
        model.scale(0.5f);
        model.translate(1.0f, 2.0f, 3.0f);
    }
    return 0;
}
