// A full-screen quad drawn through a noise program whose "time" is a random number seeded
// from the time, so that equal times give the same picture.
#pragma once

#include <string>

#include "effects/effect/effect.h"
#include "util/math/vector4.h"

class ShaderProgram;

namespace Effects {

class NoiseQuad : public Effect {
public:
    void render(float t) override;

    // The program's "time" for t: the first random number after seeding from t's bit
    // pattern, times 100, plus 100.
    static float noise_time(float t);

    // The GLSL texts of a program for the quad (uniform "time").
    static std::string vertex_source();
    static std::string fragment_source();

    ShaderProgram* program = nullptr;
    Vector4 colour;
};

} // namespace Effects
