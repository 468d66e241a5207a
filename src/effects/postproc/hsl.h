// Hsl: the picture's saturation scaled by 1 + Saturate.
#pragma once

#include "effects/effect/postproc.h"

class ShaderProgram;

namespace Effects {

class Hsl : public PostProc {
public:
    Hsl();
    ~Hsl() override;

    void set_uniforms(int w, int h, float time) override;

private:
    ShaderProgram* program;
};

} // namespace Effects
