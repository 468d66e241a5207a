// Fade: the picture towards black (negative Value) or white (positive Value).
#pragma once

#include "effects/effect/postproc.h"

class ShaderProgram;

namespace Effects {

class Fade : public PostProc {
public:
    Fade();
    ~Fade() override;

    void set_uniforms(int w, int h, float time) override;
    // At Value 0 the picture is mixed with nothing: the input comes out as it went in.
    bool leaves_picture_unchanged() const override;

private:
    ShaderProgram* program;
};

} // namespace Effects
