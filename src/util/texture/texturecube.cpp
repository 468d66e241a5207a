#include "util/texture/texturecube.h"

#include <cstdlib>
#include <cstring>

#include "util/error/fatal.h"

namespace {

const char* const SOURCE = "src\\util\\texture\\texturecube";

const GLenum FACE_TARGETS[6] = {
    GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_X,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_POSITIVE_Z,
};

const char* const FACE_DATA_NAMES[6] = {"data_negx", "data_posx", "data_negy",
                                        "data_posy", "data_negz", "data_posz"};

} // namespace

TextureCube::TextureCube() { set_defaults(); }

TextureCube::~TextureCube()
{
    settings.delete_texture();
    for (int face = 0; face < 6; ++face) {
        unsigned char** data = face_data(face);
        std::free(*data);
        *data = nullptr;
    }
}

void TextureCube::set_defaults()
{
    data_negx = data_posx = data_negy = data_posy = data_negz = data_posz = nullptr;
    bpp = 0;
    width = 0;
    height = 0;
    format = 0;
    settings = TextureSettings();
}

unsigned char** TextureCube::face_data(int face)
{
    unsigned char** faces[6] = {&data_negx, &data_posx, &data_negy,
                                &data_posy, &data_negz, &data_posz};
    return faces[face];
}

bool TextureCube::load(const std::string& negx, const std::string& posx, const std::string& negy,
                       const std::string& posy, const std::string& negz, const std::string& posz)
{
    settings.wrap = GL_CLAMP_TO_EDGE;
    settings.mipmap = true;
    settings.min_filter = GL_LINEAR_MIPMAP_LINEAR;
    settings.mag_filter = GL_LINEAR;
    bpp = 32;

    const std::string* files[6] = {&negx, &posx, &negy, &posy, &negz, &posz};
    for (int face = 0; face < 6; ++face) {
        if (!tex_array[face].load(*files[face])) return false;
    }

    width = tex_array[0].get_width();
    height = tex_array[0].get_height();
    for (int i = 1; i < 6; ++i) {
        if (width != tex_array[i].get_width()) {
            FATAL_ERROR(SOURCE, assert_text("width == tex_array[i].get_width()"));
        }
        if (height != tex_array[i].get_height()) {
            FATAL_ERROR(SOURCE, assert_text("height == tex_array[i].get_height()"));
        }
    }
    // GL refuses a cube face that is not square, which would leave an incomplete cube that
    // samples as black.
    if (width != height) {
        FATAL_ERROR(SOURCE, "Cube map faces must be square, not " + std::to_string(width) +
                                " x " + std::to_string(height) + " (" + negx + ")");
    }

    const size_t row_size = static_cast<size_t>(bpp / 8) * width;
    for (int face = 0; face < 6; ++face) {
        unsigned char* read_back = tex_array[face].read_pixels();
        unsigned char* flipped =
            static_cast<unsigned char*>(std::malloc(row_size * height > 0 ? row_size * height : 1));
        if (flipped != nullptr) {
            for (unsigned int r = 0; r < height; ++r) {
                std::memcpy(flipped + r * row_size, read_back + (height - 1 - r) * row_size,
                            row_size);
            }
        }
        std::free(read_back);
        *face_data(face) = flipped;
    }
    for (int face = 0; face < 6; ++face) {
        if (*face_data(face) == nullptr) FATAL_ERROR(SOURCE, assert_text(FACE_DATA_NAMES[face]));
    }

    settings.internal_format = GL_RGBA8;
    format = GL_RGBA;
    return create();
}

bool TextureCube::create()
{
    if (settings.id != 0) FATAL_ERROR(SOURCE, "Attempt to create an already initialized texture!");

    settings.generate(GL_TEXTURE_CUBE_MAP);
    settings.set_sampling(GL_TEXTURE_CUBE_MAP);
    {
        const TightRowUnpacking tight_rows;
        for (int face = 0; face < 6; ++face) {
            glTexImage2D(FACE_TARGETS[face], 0, settings.internal_format, static_cast<GLsizei>(width),
                         static_cast<GLsizei>(height), 0, format, GL_UNSIGNED_BYTE, *face_data(face));
        }
    }
    settings.build_mipmaps(GL_TEXTURE_CUBE_MAP);

    for (int face = 0; face < 6; ++face) {
        unsigned char** data = face_data(face);
        if (*data != nullptr) {
            std::free(*data);
            *data = nullptr;
        }
    }
    return true;
}

void TextureCube::bind(int unit) const
{
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_CUBE_MAP, settings.id);
}

void TextureCube::unbind(int unit)
{
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}
