// A full-screen noise shader over the picture: grain in the overlay's colour whose strength
// is the intensity, moving with time.
#pragma once

#include <string>

#include "effects/effect/effect.h"
#include "util/math/vector4.h"

class ShaderProgram;

namespace Effects {

class NoiseOverlay : public Effect {
public:
    void render(float t) override;

    // The GLSL texts of a program for the overlay (uniforms "time" and "intensity").
    static std::string vertex_source();
    static std::string fragment_source();

    ShaderProgram* program = nullptr;
    Vector4 colour;
    float intensity = 0.0f;
};

} // namespace Effects
