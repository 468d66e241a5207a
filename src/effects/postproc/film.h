// Film: colour, monochrome and sepia tones, contrast, brightness, grain and scanlines.
#pragma once

#include "effects/postproc/programpostproc.h"

namespace Effects {

class Film : public ProgramPostProc {
public:
    Film();

    void set_uniforms(int w, int h, float time) override;
};

} // namespace Effects
