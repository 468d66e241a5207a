#include "text_painter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace pictures {

TextPainter::TextPainter()
{
    if (FT_Init_FreeType(&library) != 0)
        library = nullptr;
}

TextPainter::~TextPainter()
{
    if (face)
        FT_Done_Face(face);
    if (library)
        FT_Done_FreeType(library);
}

bool TextPainter::open(const std::string& font_file, std::string& error)
{
    if (!library) {
        error = "FreeType did not start";
        return false;
    }
    if (FT_New_Face(library, font_file.c_str(), 0, &face) != 0) {
        face = nullptr;
        error = "cannot load the font " + font_file;
        return false;
    }
    return true;
}

double TextPainter::measure(const std::string& text, int pixel_size)
{
    if (!face)
        return 0.0;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size));
    double width = 0.0;
    for (unsigned char ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT) == 0)
            width += face->glyph->advance.x / 64.0;
    }
    return width;
}

void TextPainter::draw(Canvas& canvas, const std::string& text, double x, double baseline,
                       int pixel_size, const Colour& colour, bool mono)
{
    if (!face)
        return;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size));
    double pen = x;
    for (unsigned char ch : text) {
        FT_Int32 flags = FT_LOAD_RENDER | (mono ? (FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) : 0);
        if (FT_Load_Char(face, ch, flags) != 0)
            continue;
        FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        int left = static_cast<int>(pen) + g->bitmap_left;
        int top = static_cast<int>(baseline) - g->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row) {
            for (unsigned col = 0; col < bm.width; ++col) {
                double coverage;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    coverage = (bm.buffer[row * bm.pitch + col / 8] >> (7 - col % 8)) & 1;
                else
                    coverage = bm.buffer[row * bm.pitch + col] / 255.0;
                canvas.blend(left + static_cast<int>(col), top + static_cast<int>(row), colour,
                             coverage);
            }
        }
        pen += g->advance.x / 64.0;
    }
}

void TextPainter::draw_centred(Canvas& canvas, const std::string& text, double cx,
                               double baseline, int pixel_size, const Colour& colour)
{
    draw(canvas, text, cx - measure(text, pixel_size) / 2.0, baseline, pixel_size, colour);
}

} // namespace pictures
