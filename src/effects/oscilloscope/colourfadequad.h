// A full-screen colour quad that fades from one colour to another over a time window, blended
// over the picture by its alpha.
#pragma once

#include "util/math/vector4.h"

class ColourFadeQuad {
public:
    ColourFadeQuad() = default;
    ColourFadeQuad(float start_time, float end_time, const Vector4& from_colour, const Vector4& to_colour);

    // Nothing before start; from start to end the colour goes from "from" to "to", and stays
    // "to" afterwards. Leaves the modelview matrix mode current.
    void draw_colour_quad(float time) const;

    // The colour at a time; false before start. A window that is empty or reversed (end <=
    // start) gives "to" at once.
    bool colour_at(float time, Vector4* colour) const;

    float start = 0.0f;
    float end = 0.0f;
    Vector4 from;
    Vector4 to;
};
