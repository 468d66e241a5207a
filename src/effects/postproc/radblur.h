// Radblur: a radial blur around a centre, with step and strength.
#pragma once

#include "effects/effect/postproc.h"

class ShaderProgram;

namespace Effects {

class Radblur : public PostProc {
public:
    Radblur();
    ~Radblur() override;

    void set_uniforms(int w, int h, float time) override;

private:
    ShaderProgram* program;
};

} // namespace Effects
