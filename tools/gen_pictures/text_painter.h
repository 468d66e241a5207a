// Text on a canvas through FreeType, from a font file.
#pragma once

#include <string>

#include "canvas.h"

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

namespace pictures {

class TextPainter {
public:
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // Opens a font; false with a message when it cannot be loaded.
    bool open(const std::string& font_file, std::string& error);

    // Width in pixels of a text at a pixel height.
    double measure(const std::string& text, int pixel_size);

    // Draws a text with its baseline starting at (x, baseline); grey anti-aliasing, or hard
    // one-bit edges when mono is set.
    void draw(Canvas& canvas, const std::string& text, double x, double baseline, int pixel_size,
              const Colour& colour, bool mono = false);

    // The same, centred on x.
    void draw_centred(Canvas& canvas, const std::string& text, double cx, double baseline,
                      int pixel_size, const Colour& colour);

private:
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

} // namespace pictures
