// The show's pictures, each drawn from shapes, gradients, noise and text.
#pragma once

#include "canvas.h"
#include "text_painter.h"

namespace pictures {

struct Fonts {
    TextPainter mono;  // the chart's glyphs
    TextPainter sans;  // lettering
    TextPainter bold;  // titles
};

Canvas draw_logo(Fonts& fonts);            // loading screen logo, 16:9
Canvas draw_ascii_chart(Fonts& fonts);     // 16 x 16 glyphs of 8 x 8 pixels
Canvas draw_sun_with_orbit();
Canvas draw_globe();
Canvas draw_confused_cow();
Canvas draw_anticube();
Canvas draw_red_star_flag(Fonts& fonts);   // 4:3, opaque
Canvas draw_portrait();
Canvas draw_portrait_glow(const Canvas& portrait);
Canvas draw_clock();
Canvas draw_ruler(Fonts& fonts);
Canvas draw_multimeter(Fonts& fonts);
Canvas draw_beaker();
Canvas draw_scales();

} // namespace pictures
