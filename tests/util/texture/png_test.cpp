#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "util/texture/image_fixtures.h"
#include "util/texture/pnginflater.h"
#include "util/texture/rawpngdecoder.h"
#include "util/texture/texture.h"

using fixtures::Bytes;
using fixtures::Picture;

namespace {

struct Decoded {
    int result = 0;
    int inflated = -1;
    int width = 0;
    int height = 0;
    Bytes rgba;
};

Decoded decode_bytes(const Bytes& file)
{
    TempDir dir;
    dir.write("p.png", fixtures::str(file));
    JhRawPngDecoder decoder;
    Decoded d;
    d.result = decoder.decode(dir.file("p.png").c_str());
    d.inflated = decoder.inflate_result();
    d.width = decoder.width;
    d.height = decoder.height;
    if (decoder.rgba != nullptr) {
        d.rgba.assign(decoder.rgba, decoder.rgba + static_cast<size_t>(d.width) * d.height * 4);
    }
    return d;
}

struct Loaded {
    bool ok = false;
    Texture::TextureInfo info = {nullptr, 0, 0, 0, 0};
    std::string boxes; // what the message boxes wrote
};

Loaded load_png_bytes(const Bytes& file)
{
    TempDir dir;
    dir.write("picture.png", fixtures::str(file));
    Loaded l;
    testing::internal::CaptureStderr();
    l.ok = Texture::load_png(&l.info, dir.file("picture.png").c_str());
    l.boxes = testing::internal::GetCapturedStderr();
    return l;
}

// Row 0 of a bottom-up block is the last row of a top-down one.
Bytes flipped(const Bytes& rgba, int width, int height)
{
    Bytes out(rgba.size());
    const size_t stride = static_cast<size_t>(width) * 4;
    for (int r = 0; r < height; ++r) {
        std::memcpy(out.data() + r * stride, rgba.data() + (height - 1 - r) * stride, stride);
    }
    return out;
}

const std::string INVALID_BOX = "ERROR at src\\util\\texture\\png_loader:58\nInvalid texture information\n";

} // namespace

TEST(PngDecoder, EveryColourTypeDepthFilterAndCompressionDecodesExactly)
{
    struct Format {
        int colour_type, depth;
        bool interlace_too;
    };
    const Format formats[] = {{0, 1, true}, {0, 8, true}, {2, 8, true}, {2, 16, true},
                              {3, 4, true}, {3, 8, true}, {4, 8, true}, {6, 8, true}};
    struct Compression {
        int level, strategy;
    };
    const Compression compressions[] = {{0, Z_DEFAULT_STRATEGY}, {9, Z_DEFAULT_STRATEGY},
                                        {6, Z_FIXED}, {6, Z_HUFFMAN_ONLY}};
    for (const Format& f : formats) {
        for (bool interlaced : {false, true}) {
            if (interlaced && !f.interlace_too) continue;
            for (const Compression& c : compressions) {
                // 13 x 11: no pass of the interlacing divides it evenly.
                Picture p = fixtures::sample_picture(f.colour_type, f.depth, 13, 11);
                Decoded d = decode_bytes(fixtures::png_file(p, interlaced, c.level, c.strategy));
                SCOPED_TRACE(testing::Message() << "type " << f.colour_type << " depth " << f.depth
                                                << " interlaced " << interlaced << " level " << c.level
                                                << " strategy " << c.strategy);
                EXPECT_EQ(d.result, 1);
                EXPECT_EQ(d.inflated, 1);
                ASSERT_EQ(d.width, 13);
                ASSERT_EQ(d.height, 11);
                EXPECT_EQ(d.rgba, fixtures::expected_rgba(p));
            }
        }
    }
}

TEST(PngDecoder, SmallInterlacedPicturesSkipEmptyPasses)
{
    for (int size : {1, 2, 3, 5, 8, 9}) {
        Picture p = fixtures::sample_picture(6, 8, size, size);
        Decoded d = decode_bytes(fixtures::png_file(p, true));
        EXPECT_EQ(d.inflated, 1) << size;
        EXPECT_EQ(d.rgba, fixtures::expected_rgba(p)) << size;
    }
}

TEST(PngDecoder, TransparencyOfColourAndOfPaletteEntries)
{
    Picture rgb = fixtures::sample_picture(2, 8, 6, 4);
    rgb.pixels[5] = {10, 20, 30};
    rgb.pixels[17] = {10, 20, 30};
    rgb.pixels[9] = {10, 20, 31};
    rgb.transparency = {0, 10, 0, 20, 0, 30};
    Decoded d = decode_bytes(fixtures::png_file(rgb, false));
    EXPECT_EQ(d.rgba, fixtures::expected_rgba(rgb));
    for (int i = 0; i < 24; ++i) EXPECT_EQ(d.rgba[i * 4 + 3], i == 5 || i == 17 ? 0 : 255) << i;

    Picture grey = fixtures::sample_picture(0, 8, 6, 4);
    grey.transparency = {0, static_cast<unsigned char>(grey.pixels[0][0])};
    EXPECT_EQ(decode_bytes(fixtures::png_file(grey, false)).rgba, fixtures::expected_rgba(grey));

    // One alpha per palette entry; entries past the list are opaque.
    Picture indexed = fixtures::sample_picture(3, 8, 8, 8);
    indexed.transparency = {0, 64, 128, 200, 7};
    Decoded di = decode_bytes(fixtures::png_file(indexed, false));
    EXPECT_EQ(di.rgba, fixtures::expected_rgba(indexed));
    indexed.pixels[0] = {3};
    EXPECT_EQ(decode_bytes(fixtures::png_file(indexed, false)).rgba[3], 200);
}

TEST(PngDecoder, StoredFixedAndDynamicBlocksDecodeAsOneStream)
{
    // A smooth picture, so that the compressor keeps the fixed and dynamic blocks it is asked for.
    Picture p = fixtures::sample_picture(6, 8, 64, 48);
    for (int i = 0; i < 64 * 48; ++i) p.pixels[i] = {i % 64, i / 64, (i % 64 + i / 64) / 2, 255};
    const Bytes lines = fixtures::png_scanlines(p, false);
    z_stream z = {};
    deflateInit2(&z, 0, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    Bytes stream(lines.size() * 2 + 1024);
    z.next_out = stream.data();
    z.avail_out = static_cast<uInt>(stream.size());
    const size_t third = lines.size() / 3;
    const int params[3][2] = {{0, Z_DEFAULT_STRATEGY}, {6, Z_FIXED}, {9, Z_DEFAULT_STRATEGY}};
    for (int part = 0; part < 3; ++part) {
        deflateParams(&z, params[part][0], params[part][1]);
        z.next_in = const_cast<unsigned char*>(lines.data()) + part * third;
        z.avail_in = static_cast<uInt>(part == 2 ? lines.size() - 2 * third : third);
        deflate(&z, part == 2 ? Z_FINISH : Z_FULL_FLUSH);
    }
    stream.resize(z.total_out);
    deflateEnd(&z);
    EXPECT_LT(stream.size(), lines.size() * 2 / 3);
    Decoded d = decode_bytes(fixtures::png_with_stream(p, false, stream, 777));
    EXPECT_EQ(d.inflated, 1);
    EXPECT_EQ(d.rgba, fixtures::expected_rgba(p));
}

TEST(PngDecoder, DamagedFilesDecodeWhatTheyHoldAndNothingElse)
{
    Picture p = fixtures::sample_picture(6, 8, 16, 16);
    Bytes file = fixtures::png_with_stream(p, false, fixtures::zlib_stream(fixtures::png_scanlines(p, false), 0), 300);

    // Wrong CRCs have no effect.
    Bytes bad_crc = file;
    for (size_t at = 8; at + 12 <= bad_crc.size();) {
        size_t length = (bad_crc[at] << 24) | (bad_crc[at + 1] << 16) | (bad_crc[at + 2] << 8) | bad_crc[at + 3];
        bad_crc[at + 8 + length] ^= 0x5A;
        at += 12 + length;
    }
    EXPECT_EQ(decode_bytes(bad_crc).rgba, fixtures::expected_rgba(p));

    // A file cut inside the image data: the complete chunks decode, the rest stays cleared.
    Bytes cut(file.begin(), file.begin() + 8 + 25 + 12 + 300 + 100);
    Decoded d = decode_bytes(cut);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.inflated, 0);
    ASSERT_EQ(d.width, 16);
    const Bytes expected = fixtures::expected_rgba(p);
    // 300 stored bytes hold the filter bytes and pixels of the first four lines and a part of the fifth.
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 4 * 64, d.rgba.begin()));
    EXPECT_EQ(Bytes(d.rgba.begin() + 5 * 64, d.rgba.end()), Bytes(d.rgba.size() - 5 * 64, 0));
}

TEST(PngDecoder, RefusedHeadersGiveNoPicture)
{
    struct Case {
        const char* name;
        Bytes ihdr; // empty: no IHDR at all
    };
    const Case cases[] = {
        {"no IHDR", Bytes()},
        {"16-bit RGBA", fixtures::png_ihdr(4, 4, 16, 6, 0)},
        {"2-bit grey", fixtures::png_ihdr(4, 4, 2, 0, 0)},
        {"zero width", fixtures::png_ihdr(0, 4, 8, 6, 0)},
        {"width past the texture limit", fixtures::png_ihdr(100000, 1, 8, 6, 0)},
        {"height above 2^31", fixtures::png_ihdr(1, 0x80000001u, 8, 6, 0)},
    };
    Picture p = fixtures::sample_picture(6, 8, 4, 4);
    const Bytes stream = fixtures::zlib_stream(fixtures::png_scanlines(p, false), 6);
    for (const Case& c : cases) {
        Bytes file = fixtures::png_signature();
        if (!c.ihdr.empty()) fixtures::png_chunk(file, "IHDR", c.ihdr);
        fixtures::png_chunk(file, "IDAT", stream);
        fixtures::png_chunk(file, "IEND", Bytes());
        Decoded d = decode_bytes(file);
        EXPECT_EQ(d.result, 1) << c.name;
        EXPECT_EQ(d.width, 0) << c.name;
        EXPECT_TRUE(d.rgba.empty()) << c.name;
        Loaded l = load_png_bytes(file);
        EXPECT_FALSE(l.ok) << c.name;
        EXPECT_EQ(l.info.imageData, nullptr) << c.name;
        EXPECT_EQ(l.boxes, INVALID_BOX) << c.name;
    }
}

// An interlace method other than 0 and 1 still gives a picture of the header's size: the
// decoder writes none of its pixels, so it loads cleared.
TEST(PngDecoder, UnknownInterlaceMethodGivesAClearedPicture)
{
    Picture p = fixtures::sample_picture(6, 8, 4, 4);
    Bytes file = fixtures::png_signature();
    fixtures::png_chunk(file, "IHDR", fixtures::png_ihdr(4, 4, 8, 6, 2));
    fixtures::png_chunk(file, "IDAT", fixtures::zlib_stream(fixtures::png_scanlines(p, false), 6));
    fixtures::png_chunk(file, "IEND", Bytes());
    Decoded d = decode_bytes(file);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.width, 4);
    EXPECT_EQ(d.height, 4);
    EXPECT_EQ(d.rgba, Bytes(64, 0));
    Loaded l = load_png_bytes(file);
    ASSERT_TRUE(l.ok) << l.boxes;
    ASSERT_NE(l.info.imageData, nullptr);
    EXPECT_EQ(l.info.width, 4u);
    EXPECT_EQ(Bytes(l.info.imageData, l.info.imageData + 64), Bytes(64, 0));
    std::free(l.info.imageData);
}

TEST(PngDecoder, ChunkWalkRefusalsAndBrokenStreams)
{
    Picture p = fixtures::sample_picture(6, 8, 4, 4);
    Bytes good = fixtures::png_file(p, false);

    Bytes wrong_signature = good;
    wrong_signature[0] = 0x88;
    EXPECT_EQ(decode_bytes(wrong_signature).result, -1);
    Loaded l = load_png_bytes(wrong_signature);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.boxes, ""); // silent

    Picture indexed = fixtures::sample_picture(3, 8, 4, 4);
    indexed.palette.resize(10);
    EXPECT_EQ(decode_bytes(fixtures::png_file(indexed, false)).result, -1);

    // A chunk that claims more bytes than the file has ends the walk.
    Bytes huge = fixtures::png_signature();
    fixtures::png_chunk(huge, "IHDR", fixtures::png_ihdr(4, 4, 8, 6, 0));
    fixtures::put32be(huge, 0xFFFFFFF0u);
    huge.insert(huge.end(), {'I', 'D', 'A', 'T', 1, 2, 3});
    Decoded dh = decode_bytes(huge);
    EXPECT_EQ(dh.result, 1);
    EXPECT_EQ(dh.inflated, 0);
    EXPECT_EQ(dh.rgba, Bytes(64, 0));

    // Preset dictionary or another compression method: no pixels, the walk still succeeds.
    const Bytes lines = fixtures::png_scanlines(p, false);
    for (int damage : {0, 1}) {
        Bytes stream = fixtures::zlib_stream(lines, 6);
        if (damage == 0) stream[1] |= 0x20;
        if (damage == 1) stream[0] = (stream[0] & 0xF0) | 7;
        Decoded d = decode_bytes(fixtures::png_with_stream(p, false, stream));
        EXPECT_EQ(d.result, 1);
        EXPECT_EQ(d.inflated, 0);
        EXPECT_EQ(d.rgba, Bytes(64, 0));
    }
}

TEST(PngTexture, PicturesComeOutBottomRowFirstAsRgba)
{
    for (int colour_type : {6, 2, 0, 3, 4}) {
        Picture p = fixtures::sample_picture(colour_type, 8, 7, 5);
        Loaded l = load_png_bytes(fixtures::png_file(p, colour_type == 2));
        ASSERT_TRUE(l.ok) << colour_type;
        EXPECT_EQ(l.info.bpp, 32u);
        EXPECT_EQ(l.info.format, static_cast<GLenum>(GL_RGBA));
        EXPECT_EQ(l.info.width, 7u);
        EXPECT_EQ(l.info.height, 5u);
        EXPECT_EQ(Bytes(l.info.imageData, l.info.imageData + 7 * 5 * 4), flipped(fixtures::expected_rgba(p), 7, 5))
            << colour_type;
        if (colour_type == 2) {
            EXPECT_EQ(l.info.imageData[3], 255);
        }
        std::free(l.info.imageData);
    }
}

TEST(PngTexture, DecodedButUnsupportedDepthsAreRefused)
{
    // 16-bit RGB and 1-bit grey decode, but make no 24- or 32-bit picture.
    for (auto [type, depth] : {std::pair{2, 16}, std::pair{0, 1}, std::pair{3, 4}}) {
        Picture p = fixtures::sample_picture(type, depth, 5, 5);
        Bytes file = fixtures::png_file(p, false);
        EXPECT_EQ(decode_bytes(file).width, 5);
        Loaded l = load_png_bytes(file);
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.boxes, INVALID_BOX);
    }
}
