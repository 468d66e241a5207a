// A sky-dome pass: the dome geometry scaled around the viewer, drawn without depth test
// through a sky program that blends two textures into a horizon colour. The sky's time runs
// at 0.005 of the frame time and is shared by every dome.
#pragma once

#include <string>

#include "effects/effect/effect.h"
#include "util/math/vector4.h"

class ShaderProgram;
class Texture;

namespace Effects {

class DomeGeometry;

class SkyDome : public Effect {
public:
    void render(float t) override;

    // The sky time shared by every dome.
    static float shared_time();

    // The GLSL texts of a sky program (uniforms "time", "horizon", "bbox", "s_texture_0",
    // "s_texture_1", "daylight", "tex2_factor", "tex2_scale", "tex2_offset").
    static std::string vertex_source();
    static std::string fragment_source();

    DomeGeometry* geometry = nullptr;
    Vector4 bbox; // the dome's vertical extent: minimum height in x, maximum in y
    Texture* textures[2] = {nullptr, nullptr};
    ShaderProgram* program = nullptr;
    float last_time = -1.0f; // negative until the first frame
    float horizontal_scale = 1.0f;
    float vertical_scale = 1.0f;
    float daylight = 1.0f;
    float tex2_factor = 0.0f;
    float tex2_offset = 0.0f;
    float tex2_scale = 1.0f;
};

} // namespace Effects
