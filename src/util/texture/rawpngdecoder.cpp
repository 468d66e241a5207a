#include "util/texture/rawpngdecoder.h"

#include <cstdlib>
#include <cstring>

#include "util/texture/texture.h"

namespace {

struct Adam7Pass {
    int column_start, column_step, row_start, row_step;
};

const Adam7Pass PASSES[8] = {{0, 1, 0, 1}, // the whole picture when not interlaced
                             {0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                             {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

// Bits of one pixel for the accepted colour type and depth pairs, 0 for the rest.
int bits_per_pixel(int colour_type, int depth)
{
    switch (colour_type) {
    case 0: return depth == 1 || depth == 8 ? depth : 0;
    case 2: return depth == 8 ? 24 : depth == 16 ? 48 : 0;
    case 3: return depth == 4 || depth == 8 ? depth : 0;
    case 4: return depth == 8 ? 16 : 0;
    case 6: return depth == 8 ? 32 : 0;
    default: return 0;
    }
}

int pass_count(int size, int start, int step) { return size > start ? (size - start + step - 1) / step : 0; }

} // namespace

int paeth_predictor(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    if (pb <= pc) return b;
    return c;
}

JhRawPngDecoder::~JhRawPngDecoder()
{
    std::free(line_storage);
    if (auto_delete == 1) std::free(rgba);
}

int JhRawPngDecoder::prepare_output()
{
    pixel_bits = bits_per_pixel(header.colour_type, header.bit_depth);
    if (pixel_bits == 0) return 0;
    // No IHDR or an impossible size: no picture. An unknown interlace method gets its
    // picture, but the output refuses its first pixel byte, which fails the decode.
    const int limit = static_cast<int>(Texture::max_image_side());
    if (header.width <= 0 || header.height <= 0 || header.width > limit || header.height > limit) {
        return 0;
    }

    if (auto_delete == 1) std::free(rgba);
    rgba = nullptr;
    // Pixels the data never reaches stay cleared.
    unsigned char* pixels =
        static_cast<unsigned char*>(std::calloc(static_cast<size_t>(header.width) * static_cast<size_t>(header.height), 4));
    line_bytes = (static_cast<size_t>(header.width) * static_cast<size_t>(pixel_bits) + 7) / 8;
    std::free(line_storage);
    line_storage = static_cast<unsigned char*>(std::calloc(2 * line_bytes, 1));
    if (pixels == nullptr || line_storage == nullptr) {
        std::free(pixels);
        std::free(line_storage);
        line_storage = nullptr;
        return 0;
    }
    rgba = pixels;
    width = header.width;
    height = header.height;
    line = line_storage;
    previous = line_storage + line_bytes;
    filter_step = pixel_bits >= 8 ? static_cast<size_t>(pixel_bits / 8) : 1;

    x = -1;
    row = 0;
    filter = 0;
    filled = 0;
    finished = false;
    pass = header.interlace == 1 ? 1 : 0;
    start_pass();
    return 1;
}

void JhRawPngDecoder::start_pass()
{
    // Passes without columns or rows carry no bytes.
    for (; pass <= 7; ++pass) {
        const Adam7Pass& p = PASSES[pass];
        pass_columns = pass_count(width, p.column_start, p.column_step);
        pass_rows = pass_count(height, p.row_start, p.row_step);
        if (pass_columns > 0 && pass_rows > 0) break;
        if (pass == 0) break;
    }
    if (pass > 7) {
        finished = true;
        return;
    }
    pass_line_bytes = (static_cast<size_t>(pass_columns) * static_cast<size_t>(pixel_bits) + 7) / 8;
    row = 0;
    std::memset(previous, 0, line_bytes); // no line above the first one
}

void JhRawPngDecoder::swap_lines()
{
    unsigned char* t = line;
    line = previous;
    previous = t;
}

int JhRawPngDecoder::output(unsigned char byte) { return output_block(&byte, 1); }

int JhRawPngDecoder::end_output()
{
    // Every line of the picture (of every pass when interlaced) must have arrived.
    return finished || (pass == 0 && row >= pass_rows) ? 1 : 0;
}

int JhRawPngDecoder::output_block(const unsigned char* bytes, size_t count)
{
    while (count > 0) {
        if (finished || row >= pass_rows) return 0;
        if (x == -1) {
            filter = *bytes++;
            --count;
            filled = 0;
            x = 0;
            continue;
        }
        if (header.interlace != 0 && header.interlace != 1) return 0;
        size_t take = pass_line_bytes - filled;
        if (take > count) take = count;
        std::memcpy(line + filled, bytes, take);
        unfilter(filled, filled + take);
        filled += take;
        bytes += take;
        count -= take;
        // Pixels whose bytes are all here are converted.
        int complete;
        if (pixel_bits >= 8) {
            complete = static_cast<int>(filled / filter_step);
        } else {
            const size_t whole = filled * 8 / static_cast<size_t>(pixel_bits);
            complete = whole < static_cast<size_t>(pass_columns) ? static_cast<int>(whole) : pass_columns;
        }
        if (complete > x) {
            convert(x, complete);
            x = complete;
        }
        if (filled == pass_line_bytes) finish_line();
    }
    return 1;
}

void JhRawPngDecoder::finish_line()
{
    ++row;
    x = -1;
    swap_lines();
    if (pass >= 1 && row >= pass_rows) {
        ++pass;
        start_pass();
    }
}

void JhRawPngDecoder::unfilter(size_t from, size_t to)
{
    const size_t step = filter_step;
    unsigned char* cur = line;
    const unsigned char* up = previous;
    switch (filter) {
    case 1:
        for (size_t i = from; i < to; ++i) {
            if (i >= step) cur[i] = static_cast<unsigned char>(cur[i] + cur[i - step]);
        }
        break;
    case 2:
        for (size_t i = from; i < to; ++i) cur[i] = static_cast<unsigned char>(cur[i] + up[i]);
        break;
    case 3:
        for (size_t i = from; i < to; ++i) {
            const int left = i >= step ? cur[i - step] : 0;
            cur[i] = static_cast<unsigned char>(cur[i] + ((left + up[i]) >> 1));
        }
        break;
    case 4:
        for (size_t i = from; i < to; ++i) {
            const int left = i >= step ? cur[i - step] : 0;
            const int upper_left = i >= step ? up[i - step] : 0;
            cur[i] = static_cast<unsigned char>(cur[i] + paeth_predictor(left, up[i], upper_left));
        }
        break;
    default: // 0, and unknown types leave the bytes as they are
        break;
    }
}

void JhRawPngDecoder::convert(int from, int to)
{
    // Where pixel from of this line lands, and the step to the next one.
    unsigned char* dest;
    size_t step;
    if (pass == 0) {
        dest = rgba + (static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(from)) * 4;
        step = 4;
    } else {
        const Adam7Pass& p = PASSES[pass];
        const size_t image_row = static_cast<size_t>(p.row_start + row * p.row_step);
        dest = rgba + (image_row * static_cast<size_t>(width) + static_cast<size_t>(p.column_start + from * p.column_step)) * 4;
        step = static_cast<size_t>(p.column_step) * 4;
    }
    const unsigned char* s;
    switch (header.colour_type) {
    case 0:
        for (int k = from; k < to; ++k, dest += step) {
            if (pixel_bits == 1) {
                const unsigned char v = (line[k / 8] >> (7 - k % 8)) & 1 ? 255 : 0;
                dest[0] = dest[1] = dest[2] = v;
                dest[3] = 0;
            } else {
                const int g = line[k];
                dest[0] = dest[1] = dest[2] = static_cast<unsigned char>(g);
                dest[3] = g == transparent[0] || g == transparent[1] || g == transparent[2] ? 0 : 255;
            }
        }
        break;
    case 2:
        if (pixel_bits == 24) {
            s = line + static_cast<size_t>(from) * 3;
            for (int k = from; k < to; ++k, dest += step, s += 3) {
                dest[0] = s[0];
                dest[1] = s[1];
                dest[2] = s[2];
                dest[3] = s[0] == transparent[0] && s[1] == transparent[1] && s[2] == transparent[2] ? 0 : 255;
            }
        } else {
            s = line + static_cast<size_t>(from) * 6;
            for (int k = from; k < to; ++k, dest += step, s += 6) {
                const int r = (s[0] << 8) | s[1];
                const int g = (s[2] << 8) | s[3];
                const int b = (s[4] << 8) | s[5];
                dest[0] = s[0];
                dest[1] = s[2];
                dest[2] = s[4];
                dest[3] = r == transparent[0] && g == transparent[1] && b == transparent[2] ? 0 : 255;
            }
        }
        break;
    case 3:
        for (int k = from; k < to; ++k, dest += step) {
            const int index = pixel_bits == 4 ? (k % 2 == 0 ? line[k / 2] >> 4 : line[k / 2] & 0x0F) : line[k];
            if (index >= palette.count) continue; // beyond the palette: left cleared
            const unsigned char* entry = palette.entries + index * 3;
            dest[0] = entry[0];
            dest[1] = entry[1];
            dest[2] = entry[2];
            dest[3] = palette_alpha[index];
        }
        break;
    case 4:
        s = line + static_cast<size_t>(from) * 2;
        for (int k = from; k < to; ++k, dest += step, s += 2) {
            dest[0] = dest[1] = dest[2] = s[0];
            dest[3] = s[1];
        }
        break;
    default: // 6
        s = line + static_cast<size_t>(from) * 4;
        if (step == 4) {
            std::memcpy(dest, s, static_cast<size_t>(to - from) * 4);
        } else {
            for (int k = from; k < to; ++k, dest += step, s += 4) std::memcpy(dest, s, 4);
        }
        break;
    }
}

void JhRawPngDecoder::flip()
{
    if (rgba == nullptr) return;
    const size_t stride = static_cast<size_t>(width) * 4;
    unsigned char* temp = static_cast<unsigned char*>(std::malloc(stride > 0 ? stride : 1));
    if (temp == nullptr) return;
    for (int i = 0; i < height / 2; ++i) {
        unsigned char* a = rgba + static_cast<size_t>(i) * stride;
        unsigned char* b = rgba + static_cast<size_t>(height - 1 - i) * stride;
        std::memcpy(temp, a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, temp, stride);
    }
    std::free(temp);
}
