// Turns the decompressed PNG data into one 8-bit RGBA image: undoes the line filters,
// places the pixels of Adam7 passes and converts every accepted colour type and depth.
#pragma once

#include <cstddef>

#include "util/texture/pngdecoder.h"

class JhRawPngDecoder : public JhGenericPngDecoder {
public:
    JhRawPngDecoder() = default;
    ~JhRawPngDecoder() override;

    int prepare_output() override;
    int output(unsigned char byte) override;
    // 1 when the data reached the picture's last row.
    int end_output() override;
    int output_block(const unsigned char* bytes, size_t count) override;

    // Reverses the order of the rows of rgba.
    void flip();
    void swap_lines();

    int width = 0;
    int height = 0;
    unsigned char* rgba = nullptr; // width x height x 4, malloc'd, row 0 the file's first
    int auto_delete = 1;           // while 1 the decoder frees rgba

private:
    void start_pass();
    void finish_line();
    void unfilter(size_t from, size_t to);
    void convert(int from, int to);

    int filter = 0;
    int x = -1;        // next pixel of the line; -1: the next byte is the filter type
    int row = 0;       // line within the image or the current pass
    size_t filled = 0; // bytes of the current line received
    int pass = 1;
    bool finished = false;

    int pixel_bits = 0;     // bits of one pixel in the data
    size_t filter_step = 1; // bytes per pixel for unfiltering
    int pass_columns = 0;
    int pass_rows = 0;
    size_t pass_line_bytes = 0;
    size_t line_bytes = 0;

    unsigned char* line_storage = nullptr;
    unsigned char* line = nullptr;
    unsigned char* previous = nullptr;
};

// The Paeth predictor of the PNG filters.
int paeth_predictor(int a, int b, int c);
