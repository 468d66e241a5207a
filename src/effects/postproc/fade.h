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

private:
    ShaderProgram* program;
};

} // namespace Effects
