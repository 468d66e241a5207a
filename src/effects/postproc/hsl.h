// Hsl: the picture's saturation scaled by 1 + Saturate.
#pragma once

#include "effects/postproc/programpostproc.h"

namespace Effects {

class Hsl : public ProgramPostProc {
public:
    Hsl();

    void set_uniforms(int w, int h, float time) override;
};

} // namespace Effects
