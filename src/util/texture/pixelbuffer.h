// A small picture in ints, the form the BMP and JPEG readers decode into before the rows are
// turned into one bottom-up RGBA block for the texture.
#pragma once

#include "util/texture/texture.h"

struct RgbCell {
    int r;
    int g;
    int b;
};

int max3i(int a, int b, int c);
int min3i(int a, int b, int c);

class PixelBuffer {
public:
    static const int TYPE_GREY = 1;
    static const int TYPE_RGB = 3;

    explicit PixelBuffer(int type);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    int get_width() const { return width; }
    int get_height() const { return height; }
    int get_type() const { return type; }

    // Builds the row table and one block of width x height cells of the type (nothing when
    // either side is 0).
    void allocate(int cell_type);
    void free_rows(int cell_type);
    void clear() { free_rows(type); }
    // Drops the rows and builds new ones for the given size (negative sides count as 0).
    // False when the storage cannot be had.
    bool set_size(int new_width, int new_height);

    void set_pixel(int row, int col, int r, int g, int b);
    const RgbCell& rgb_at(int row, int col) const { return rgb_rows[row][col]; }
    int grey_at(int row, int col) const { return grey_rows[row][col]; }

    // A new malloc'd block of width x height x 4 bytes, buffer row i as output row
    // height - 1 - i, each pixel red, green, blue, 255; NULL when the allocation fails.
    unsigned char* to_rgba() const;
    // Fills a reader's texture record from the decoded picture (32 bits, GL_RGBA). A picture
    // with a side of 0 shows the reader's "Invalid texture information" box (its caption
    // naming the reader's source) and gives false, as does a failed allocation.
    bool hand_over(Texture::TextureInfo* texture, const char* source) const;

    // 0 success, 1 cannot open, 2 a format this reader does not take, 3 a seek failed,
    // 4 the file ended early.
    int read_bmp(const char* file);
    // False when the file cannot be opened or is not a JPEG this reader can decode.
    bool read_jpeg(const char* file);

private:
    int width;
    int height;
    int type;
    RgbCell** rgb_rows;
    int** grey_rows;
};
