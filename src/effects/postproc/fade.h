// Fade: the picture towards black (negative Value) or white (positive Value).
#pragma once

#include "effects/postproc/programpostproc.h"

namespace Effects {

class Fade : public ProgramPostProc {
public:
    Fade();

    void set_uniforms(int w, int h, float time) override;
    // At Value 0 the picture is mixed with nothing: the input comes out as it went in.
    bool leaves_picture_unchanged() const override;
};

} // namespace Effects
