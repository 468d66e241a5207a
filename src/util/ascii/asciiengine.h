// The resources for drawing text-mode pictures: the character chart (16 x 16 glyphs of 8 x 8
// pixels), a 640 x 600 off-screen target, a grid of 80 x 75 two-byte cells, the 16-colour
// text-mode palette, four built-in 50 x 80 pictures and a viewport kept letterboxed to the
// picture. The scene manager builds one and hands it to every scene.
#pragma once

#include "util/math/vector4.h"
#include "util/texture/texture.h"

class FBO;

class AsciiEngine {
public:
    static constexpr int COLUMNS = 80;
    static constexpr int ROWS = 75;
    static constexpr int TARGET_WIDTH = 640;
    static constexpr int TARGET_HEIGHT = 600;
    static constexpr int PICTURE_COUNT = 4;
    static constexpr int PICTURE_ROWS = 50;

    AsciiEngine();
    ~AsciiEngine();
    AsciiEngine(const AsciiEngine&) = delete;
    AsciiEngine& operator=(const AsciiEngine&) = delete;

    // The largest rectangle of the given aspect centred in w x h (in double, truncated).
    void letterbox(int w, int h, float aspect);

    Texture chart;
    FBO* target;
    unsigned char cells[COLUMNS * ROWS * 2];
    Vector4 palette[16];
    int viewport_x;
    int viewport_y;
    int viewport_width;
    int viewport_height;
    // pictures[n][row]: 80 characters, "." background, "o", "8", "#" and ":" ink.
    const char* const* pictures[PICTURE_COUNT];

private:
    void init_art();
};
