// A picture that never changes, drawn through the shader bank's blur program (25 filtered
// reads a pixel) at a place that never changes: its blurred result is the same on every frame.
// The layer draws it once at full colour into a picture of the viewport's size (again when
// that size changes) and from then on adds that picture, times the current colour and with
// the current blending, in one read a pixel.
#pragma once

#include <functional>

class FBO;
class ShaderBank;

class BlurredLayer {
public:
    BlurredLayer() = default;
    ~BlurredLayer();
    BlurredLayer(const BlurredLayer&) = delete;
    BlurredLayer& operator=(const BlurredLayer&) = delete;

    // draw_picture draws the picture in the current viewport as it would be blurred (the blur
    // program bound, the colour white). The current colour, blending and viewport apply to
    // the result; the plain program is left bound, as the blur program would be otherwise.
    void draw(const ShaderBank& bank, const std::function<void()>& draw_picture);

    // The kept picture; null before the first draw.
    FBO* get_picture() const { return picture; }

private:
    FBO* picture = nullptr;
};
