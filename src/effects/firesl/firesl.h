// A feedback effect: every frame the previous picture is drawn through one of four fragment
// programs (fire, smoke, milk, gray) into the other of two float buffers, so the picture
// evolves frame by frame. The spark picture feeds new material into the feedback.
#pragma once

#include "effects/effect/effect.h"
#include "util/math/vector4.h"

class FBO;
class ShaderProgram;
class Texture;

namespace Effects {

class Fire : public Effect {
public:
    static constexpr int MODE_FIRE = 0;
    static constexpr int MODE_SMOKE = 1;
    static constexpr int MODE_MILK = 2;
    static constexpr int MODE_GRAY = 3;
    static constexpr int BUFFER_SIZE = 512;

    // Needs the GL context: builds the four programs, loads the spark picture and makes the
    // two buffers, cleared.
    Fire();
    ~Fire() override;

    Fire(const Fire&) = delete;
    Fire& operator=(const Fire&) = delete;

    // 0 fire, 1 smoke, 2 milk, 3 gray; anything else ends the program.
    void set_mode(int m);
    // One feedback step: the previous buffer through the mode's program into the other one.
    void step(float time);
    // A step, then the new picture drawn, tinted by the colour, into whatever target is bound.
    void render(float time) override;

    int get_mode() const { return mode; }
    // The buffer that the last step drew into and render shows.
    int get_current() const { return current; }
    FBO* get_buffer(int index) const { return buffers[index]; }
    const ShaderProgram* get_program(int m) const { return programs[m]; }

private:
    ShaderProgram* programs[4];
    Texture* spark_texture;
    Texture* image_texture;
    float image_factor;
    float image_shinethrough;
    float spark_pct;
    int current;
    FBO* buffers[2];
    int mode;
    Vector4 colour;
};

} // namespace Effects
