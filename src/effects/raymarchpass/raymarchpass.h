// A full-screen ray-marching pass: a rotating, cut and slashed box over a ground plane, seen
// through a view that fourteen sync tracks drive (the owner registers them, see track_names,
// before the first frame).
#pragma once

#include <string>
#include <vector>

#include "effects/effect/effect.h"
#include "util/math/vector4.h"

class Music;
class ShaderProgram;

namespace Effects {

class RayMarchPass : public Effect {
public:
    void render(float t) override;
    // Sets the program's uniforms from the tracks and draws the full-screen quad.
    void draw(float t);

    // The sync tracks the pass reads.
    static const std::vector<std::string>& track_names();

    // The GLSL texts of a program for the pass.
    static std::string vertex_source();
    static std::string fragment_source();

    ShaderProgram* program = nullptr;
    Vector4 colour;
    Music* music = nullptr;
};

} // namespace Effects
