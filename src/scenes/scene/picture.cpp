#include "scenes/scene/picture.h"

#include <GL/glew.h>

#include "util/texture/texture.h"

Texture* load_picture(const std::string& file)
{
    return new Texture(file, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR);
}
