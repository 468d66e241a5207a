// Dither: the picture in coarse blocks, the block grid from the Factor parameter.
#pragma once

#include "effects/postproc/programpostproc.h"

namespace Effects {

class Dither : public ProgramPostProc {
public:
    Dither();

    void set_uniforms(int w, int h, float time) override;
};

} // namespace Effects
