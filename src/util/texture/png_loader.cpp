// PNG reader: the picture decoded to 8-bit RGBA by the system's own decoder, turned so that
// row 0 is the bottom row.
#include <cstdio>

#include "platform/win32/messagebox.h"
#include "util/texture/rawpngdecoder.h"
#include "util/texture/texture.h"

namespace {
const char* const SOURCE = "src\\util\\texture\\png_loader";
}

bool Texture::load_png(TextureInfo* texture, const char* file)
{
    JhRawPngDecoder decoder;
    if (decoder.decode(file) == -1) {
        texture->imageData = nullptr;
        return false;
    }
    decoder.flip();
    texture->width = static_cast<unsigned int>(decoder.width);
    texture->height = static_cast<unsigned int>(decoder.height);
    texture->bpp = static_cast<unsigned int>(decoder.header.bit_depth) * 4;
    if (texture->width == 0 || texture->height == 0 || (texture->bpp != 24 && texture->bpp != 32)) {
        char caption[256];
        std::snprintf(caption, sizeof caption, "ERROR at %s:%i", SOURCE, 58);
        MessageBoxA(nullptr, "Invalid texture information", caption, MB_OK);
        texture->imageData = nullptr;
        return false;
    }
    texture->format = GL_RGBA;
    texture->imageData = decoder.rgba;
    decoder.auto_delete = 0;
    return true;
}
