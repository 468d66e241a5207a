#include "util/texture/texture.h"

bool Texture::load_png(TextureInfo* texture, const char* /*file*/)
{
    texture->imageData = nullptr;
    return false;
}
