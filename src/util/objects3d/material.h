// Colours and textures of a drawn object. The tint is added to each of the four colours
// before they reach GL. The material never owns its textures.
#pragma once

#include <string>

#include "util/math/vector4.h"

class Texture;

struct Material {
    // A diffuse alpha below this makes the material translucent.
    static constexpr float OPAQUE_ALPHA = 0.99f;

    std::string name = "dummy";
    std::string texture_file = "dummy"; // a label; textures are attached as objects
    Vector4 emission{0.0f, 0.0f, 0.0f, 1.0f};
    Vector4 ambient{0.1f, 0.1f, 0.1f, 1.0f};
    Vector4 diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    Vector4 specular{0.5f, 0.5f, 0.5f, 1.0f};
    Vector4 tint{0.0f, 0.0f, 0.0f, 0.0f};
    float shininess = 20.0f;
    Texture* texture = nullptr;      // colour texture of every pass but glow
    Texture* glow_texture = nullptr; // texture of the glow pass

    bool translucent() const { return diffuse.w < OPAQUE_ALPHA; }
};
