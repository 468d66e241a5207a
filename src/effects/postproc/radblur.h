// Radblur: a radial blur around a centre, with step and strength.
#pragma once

#include "effects/postproc/programpostproc.h"

namespace Effects {

class Radblur : public ProgramPostProc {
public:
    Radblur();

    void set_uniforms(int w, int h, float time) override;
    // The blur is mixed in by the strength clamped to 0..1: at 0 or below the input comes out.
    bool leaves_picture_unchanged() const override;
};

} // namespace Effects
