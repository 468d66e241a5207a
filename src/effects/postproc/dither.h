// Dither: the picture in coarse blocks, the block grid from the Factor parameter.
#pragma once

#include "effects/effect/postproc.h"

class ShaderProgram;

namespace Effects {

class Dither : public PostProc {
public:
    Dither();
    ~Dither() override;

    void set_uniforms(int w, int h, float time) override;

private:
    ShaderProgram* program;
};

} // namespace Effects
