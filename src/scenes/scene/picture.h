// The still pictures that scenes draw as screen-space quads (Texture::draw and its kin). They
// are shown near their own size, so one level is enough; clamped at the edges, so that the
// border texels do not blend in the far side; filtered linearly.
#pragma once

#include <string>

class Texture;

// A picture from the data layer, owned by the caller. One that cannot be loaded ends the
// program, as every texture load does.
Texture* load_picture(const std::string& file);
