// Radblur: a radial blur around a centre, with step and strength. The twelve samples along
// each point's line to the centre are taken in two passes: prepare gathers the mean of three
// (0, 4 and 8 steps in) into a picture of the source's size, and the pass itself reads four of
// those means (0 to 3 steps in) and blends them over the picture: eight reads instead of 13.
#pragma once

#include "effects/effect/postproc.h"

class FBO;
class ShaderProgram;

namespace Effects {

class Radblur : public PostProc {
public:
    Radblur();
    ~Radblur() override;

    // Draws the gathered means of the source into the effect's own picture, made (again)
    // whenever the source's size changes.
    void prepare(int w, int h, float time, FBO* source) override;
    void set_uniforms(int w, int h, float time) override;
    // The blur is mixed in by the strength clamped to 0..1: at 0 or below the input comes out.
    bool leaves_picture_unchanged() const override;

private:
    void set_params(ShaderProgram* target) const;

    ShaderProgram* program;
    ShaderProgram* gather_program;
    FBO* gathered;
};

} // namespace Effects
