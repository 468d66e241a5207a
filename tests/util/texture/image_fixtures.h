// Picture files made by the tests themselves: TGA and BMP byte by byte, PNG through zlib
// (with every line filter and optional Adam7 interlacing), JPEG through libjpeg.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <zlib.h>

namespace fixtures {

typedef std::vector<unsigned char> Bytes;

inline void put16le(Bytes& b, unsigned v)
{
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
inline void put32le(Bytes& b, unsigned v)
{
    put16le(b, v & 0xFFFF);
    put16le(b, v >> 16);
}
inline void put32be(Bytes& b, unsigned v)
{
    b.push_back((v >> 24) & 0xFF);
    b.push_back((v >> 16) & 0xFF);
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}
inline std::string str(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A TGA header: 12 template bytes of the given image type, then width, height, depth and a
// descriptor byte.
inline Bytes tga_header(int type, unsigned width, unsigned height, int depth)
{
    Bytes b = {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16le(b, width);
    put16le(b, height);
    b.push_back(static_cast<unsigned char>(depth));
    b.push_back(0);
    return b;
}

// A 24-bit BMP with the given rows (bottom row first, B, G, R bytes each) and image-size
// field; rows are padded by padding bytes.
inline Bytes bmp_file(int width, int height, const Bytes& bgr_rows, unsigned image_size, int padding,
                      int bit_count = 24, unsigned compression = 0)
{
    Bytes b = {'B', 'M'};
    put32le(b, 0); // file size, not read
    put32le(b, 0);
    put32le(b, 54); // pixel data offset
    put32le(b, 40);
    put32le(b, static_cast<unsigned>(width));
    put32le(b, static_cast<unsigned>(height));
    put16le(b, 1);
    put16le(b, static_cast<unsigned>(bit_count));
    put32le(b, compression);
    put32le(b, image_size);
    put32le(b, 2835);
    put32le(b, 2835);
    put32le(b, 0);
    put32le(b, 0);
    const size_t row = static_cast<size_t>(width) * 3;
    for (int r = 0; r < height && (r + 1) * row <= bgr_rows.size(); ++r) {
        b.insert(b.end(), bgr_rows.begin() + r * row, bgr_rows.begin() + (r + 1) * row);
        for (int p = 0; p < padding; ++p) b.push_back(0xEE);
    }
    return b;
}

// A JPEG of RGB rows (top row first) at the given quality, optionally with a restart marker
// every restart_interval blocks and arithmetic instead of Huffman coding.
inline Bytes jpeg_file(int width, int height, const Bytes& rgb_rows, int quality, int restart_interval = 0,
                       bool arithmetic = false)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&info, &out, &out_size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.comp_info[0].h_samp_factor = 1; // no chroma subsampling: colours stay sharp
    info.comp_info[0].v_samp_factor = 1;
    info.restart_interval = static_cast<unsigned int>(restart_interval);
    info.arith_code = arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(rgb_rows.data()) + info.next_scanline * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes b(out, out + out_size);
    std::free(out);
    return b;
}

// zlib stream of data with the given level, strategy and window bits.
inline Bytes zlib_stream(const Bytes& data, int level, int strategy = Z_DEFAULT_STRATEGY, int window_bits = 15)
{
    z_stream z = {};
    deflateInit2(&z, level, Z_DEFLATED, window_bits, 8, strategy);
    Bytes out(deflateBound(&z, data.size()) + 64);
    z.next_in = const_cast<unsigned char*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline int paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// A picture in PNG samples: per pixel the channel values of its colour type (grey; R, G, B;
// palette index; grey, alpha; R, G, B, A), each below 2^depth.
struct Picture {
    int width = 0;
    int height = 0;
    int depth = 8;
    int colour_type = 6;
    std::vector<std::vector<int>> pixels; // row-major, row 0 the top row
    Bytes palette;                        // R, G, B per entry (colour type 3)
    Bytes transparency;                   // tRNS contents, none when empty

    int channels() const
    {
        switch (colour_type) {
        case 0: case 3: return 1;
        case 2: return 3;
        case 4: return 2;
        default: return 4;
        }
    }
};

// Pixels per line, lines of each Adam7 pass (pass 0: the whole non-interlaced picture).
struct PassGeometry {
    int column_start, column_step, row_start, row_step;
};
const PassGeometry ADAM7[8] = {{0, 1, 0, 1}, {0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8},
                               {2, 4, 0, 4}, {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

// The filtered scanlines of a picture, filter type (line number mod 5), interlaced or not.
inline Bytes png_scanlines(const Picture& p, bool interlaced)
{
    Bytes out;
    const int bits = p.depth * p.channels();
    const size_t step = bits >= 8 ? static_cast<size_t>(bits / 8) : 1;
    int line_number = 0;
    for (int pass = interlaced ? 1 : 0; pass <= (interlaced ? 7 : 0); ++pass) {
        const PassGeometry& g = ADAM7[pass];
        const int cols = p.width > g.column_start ? (p.width - g.column_start + g.column_step - 1) / g.column_step : 0;
        const int rows = p.height > g.row_start ? (p.height - g.row_start + g.row_step - 1) / g.row_step : 0;
        if (cols == 0 || rows == 0) continue;
        const size_t line_bytes = (static_cast<size_t>(cols) * bits + 7) / 8;
        Bytes previous(line_bytes, 0);
        for (int r = 0; r < rows; ++r) {
            Bytes raw(line_bytes, 0);
            size_t bit = 0;
            for (int c = 0; c < cols; ++c) {
                const int y = g.row_start + r * g.row_step, x = g.column_start + c * g.column_step;
                for (int v : p.pixels[static_cast<size_t>(y) * p.width + x]) {
                    if (p.depth == 16) {
                        raw[bit / 8] = static_cast<unsigned char>(v >> 8);
                        raw[bit / 8 + 1] = static_cast<unsigned char>(v);
                    } else if (p.depth == 8) {
                        raw[bit / 8] = static_cast<unsigned char>(v);
                    } else {
                        raw[bit / 8] |= static_cast<unsigned char>(v << (8 - p.depth - bit % 8));
                    }
                    bit += static_cast<size_t>(p.depth);
                }
            }
            const int filter = line_number++ % 5;
            out.push_back(static_cast<unsigned char>(filter));
            for (size_t i = 0; i < line_bytes; ++i) {
                const int left = i >= step ? raw[i - step] : 0;
                const int up = previous[i];
                const int upper_left = i >= step ? previous[i - step] : 0;
                int predictor = 0;
                if (filter == 1) predictor = left;
                if (filter == 2) predictor = up;
                if (filter == 3) predictor = (left + up) / 2;
                if (filter == 4) predictor = paeth(left, up, upper_left);
                out.push_back(static_cast<unsigned char>(raw[i] - predictor));
            }
            previous = raw;
        }
    }
    return out;
}

inline void png_chunk(Bytes& file, const char* type, const Bytes& data)
{
    put32be(file, static_cast<unsigned>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    file.insert(file.end(), typed.begin(), typed.end());
    put32be(file, static_cast<unsigned>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

inline Bytes png_ihdr(int width, int height, int depth, int colour_type, int interlace)
{
    Bytes ihdr;
    put32be(ihdr, static_cast<unsigned>(width));
    put32be(ihdr, static_cast<unsigned>(height));
    ihdr.push_back(static_cast<unsigned char>(depth));
    ihdr.push_back(static_cast<unsigned char>(colour_type));
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(static_cast<unsigned char>(interlace));
    return ihdr;
}

inline const Bytes& png_signature()
{
    static const Bytes signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return signature;
}

// A PNG file of the picture whose image data is the given zlib stream, split into IDAT
// chunks of at most idat_size bytes.
inline Bytes png_with_stream(const Picture& p, bool interlaced, const Bytes& stream, size_t idat_size = 1 << 20)
{
    Bytes file = png_signature();
    png_chunk(file, "IHDR", png_ihdr(p.width, p.height, p.depth, p.colour_type, interlaced ? 1 : 0));
    if (!p.palette.empty()) png_chunk(file, "PLTE", p.palette);
    if (!p.transparency.empty()) png_chunk(file, "tRNS", p.transparency);
    for (size_t at = 0; at < stream.size(); at += idat_size) {
        size_t n = stream.size() - at < idat_size ? stream.size() - at : idat_size;
        png_chunk(file, "IDAT", Bytes(stream.begin() + at, stream.begin() + at + n));
    }
    png_chunk(file, "IEND", Bytes());
    return file;
}

// One chunk of a PNG file built chunk by chunk, so that a test can damage any part of it.
struct PngChunk {
    std::string type;
    Bytes data;
    bool wrong_crc = false;
};

inline Bytes png_from_chunks(const std::vector<PngChunk>& chunks)
{
    Bytes file = png_signature();
    for (const PngChunk& c : chunks) {
        const size_t crc_at = file.size() + 8 + c.data.size();
        png_chunk(file, c.type.c_str(), c.data);
        if (c.wrong_crc) file[crc_at] ^= 0x01;
    }
    return file;
}

// The chunks of png_with_stream with the image data in one IDAT chunk.
inline std::vector<PngChunk> png_chunks(const Picture& p, const Bytes& stream)
{
    std::vector<PngChunk> chunks = {{"IHDR", png_ihdr(p.width, p.height, p.depth, p.colour_type, 0)}};
    if (!p.palette.empty()) chunks.push_back({"PLTE", p.palette});
    if (!p.transparency.empty()) chunks.push_back({"tRNS", p.transparency});
    chunks.push_back({"IDAT", stream});
    chunks.push_back({"IEND", Bytes()});
    return chunks;
}

inline Bytes png_file(const Picture& p, bool interlaced, int level = 6, int strategy = Z_DEFAULT_STRATEGY)
{
    return png_with_stream(p, interlaced, zlib_stream(png_scanlines(p, interlaced), level, strategy));
}

// A picture of every colour type with values that exercise each bit of the samples.
inline Picture sample_picture(int colour_type, int depth, int width, int height)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.depth = depth;
    p.colour_type = colour_type;
    const int max = (1 << depth) - 1;
    unsigned seed = 12345u + static_cast<unsigned>(colour_type * 100 + depth);
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) & 0xFFFF);
    };
    if (colour_type == 3) {
        const int entries = 1 << depth < 200 ? 1 << depth : 200;
        for (int e = 0; e < entries; ++e) {
            p.palette.push_back(static_cast<unsigned char>(e * 7));
            p.palette.push_back(static_cast<unsigned char>(255 - e));
            p.palette.push_back(static_cast<unsigned char>(e * 13));
        }
    }
    for (int i = 0; i < width * height; ++i) {
        std::vector<int> px;
        for (int c = 0; c < p.channels(); ++c) {
            int v = (i % 3 == 0) ? (i * 37 + c * 11) % (max + 1) : next() % (max + 1);
            if (colour_type == 3) v %= static_cast<int>(p.palette.size() / 3);
            px.push_back(v);
        }
        p.pixels.push_back(px);
    }
    return p;
}

// What the decoder makes of a picture: RGBA bytes, row 0 the top row.
inline Bytes expected_rgba(const Picture& p)
{
    Bytes out;
    int trns[3] = {-1, -1, -1};
    if (p.colour_type == 0 && p.transparency.size() >= 2) trns[0] = (p.transparency[0] << 8) | p.transparency[1];
    if (p.colour_type == 2 && p.transparency.size() >= 6) {
        for (int c = 0; c < 3; ++c) trns[c] = (p.transparency[2 * c] << 8) | p.transparency[2 * c + 1];
    }
    for (const std::vector<int>& px : p.pixels) {
        int r = 0, g = 0, b = 0, a = 255;
        switch (p.colour_type) {
        case 0:
            if (p.depth == 1) {
                r = g = b = px[0] ? 255 : 0;
                a = 0;
            } else {
                r = g = b = px[0];
                a = px[0] == trns[0] ? 0 : 255;
            }
            break;
        case 2:
            a = px[0] == trns[0] && px[1] == trns[1] && px[2] == trns[2] ? 0 : 255;
            r = p.depth == 16 ? px[0] >> 8 : px[0];
            g = p.depth == 16 ? px[1] >> 8 : px[1];
            b = p.depth == 16 ? px[2] >> 8 : px[2];
            break;
        case 3:
            r = p.palette[px[0] * 3];
            g = p.palette[px[0] * 3 + 1];
            b = p.palette[px[0] * 3 + 2];
            a = static_cast<size_t>(px[0]) < p.transparency.size() ? p.transparency[px[0]] : 255;
            break;
        case 4:
            r = g = b = px[0];
            a = px[1];
            break;
        default:
            r = px[0];
            g = px[1];
            b = px[2];
            a = px[3];
            break;
        }
        out.push_back(static_cast<unsigned char>(r));
        out.push_back(static_cast<unsigned char>(g));
        out.push_back(static_cast<unsigned char>(b));
        out.push_back(static_cast<unsigned char>(a));
    }
    return out;
}

} // namespace fixtures
