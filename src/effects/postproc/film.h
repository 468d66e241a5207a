// Film: colour, monochrome and sepia tones, contrast, brightness, grain and scanlines.
#pragma once

#include "effects/effect/postproc.h"

class ShaderProgram;

namespace Effects {

class Film : public PostProc {
public:
    Film();
    ~Film() override;

    void set_uniforms(int w, int h, float time) override;

private:
    ShaderProgram* program;
};

} // namespace Effects
