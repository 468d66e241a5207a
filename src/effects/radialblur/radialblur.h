// Draws a texture over the whole target through a radial-blur program, added to what is
// there, blurred towards an origin given in fractions of the target. The owner sets the
// texture (and may move the origin and change the intensity) before each render.
#pragma once

#include "effects/effect/effect.h"
#include "util/math/vector4.h"

class ShaderProgram;
class Texture;

namespace Effects {

class RadialBlur : public Effect {
public:
    // Needs the GL context; leaves blending on with the ordinary alpha blend.
    RadialBlur();
    ~RadialBlur() override;

    RadialBlur(const RadialBlur&) = delete;
    RadialBlur& operator=(const RadialBlur&) = delete;

    void set_origin(float x, float y);
    // The picture to blur; the caller keeps it.
    void set_texture(Texture* t);
    void set_intensity(float value);
    // Draws additively and leaves the program bound; without a texture the program ends.
    void render(float time) override;

    const ShaderProgram* get_origin_program() const { return origin_program; }
    const ShaderProgram* get_iterations_program() const { return iterations_program; }

private:
    Vector4 colour;
    ShaderProgram* origin_program;
    ShaderProgram* iterations_program;
    bool iterations_mode;
    bool intensity_set;
    Texture* texture;
    float origin_x;
    float origin_y;
    float step;
    float iterations;
    float intensity;
};

} // namespace Effects
