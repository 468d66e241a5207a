#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "util/texture/image_fixtures.h"
#include "util/texture/pnginflater.h"
#include "util/texture/rawpngdecoder.h"
#include "util/texture/texture.h"

using fixtures::Bytes;
using fixtures::Picture;
using fixtures::PngChunk;

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

// Damage anywhere in what makes the picture fails the decode, and the texture reader with it
// (silently: the load that asked for the picture reports it).
TEST(PngDecoder, DamagedPicturesAreRefused)
{
    // A palette picture, so that every critical chunk is there; stored blocks, so that a
    // flipped byte of the image data still inflates and only the checksum tells.
    Picture p = fixtures::sample_picture(3, 8, 16, 16);
    const Bytes lines = fixtures::png_scanlines(p, false);
    const size_t line_bytes = 1 + 16;
    const Bytes stored = fixtures::zlib_stream(lines, 0);
    const std::vector<PngChunk> good = fixtures::png_chunks(p, stored);
    const size_t IDAT = 2;
    ASSERT_EQ(good[IDAT].type, "IDAT");
    const Bytes file = fixtures::png_from_chunks(good);
    const Decoded whole = decode_bytes(file);
    ASSERT_EQ(whole.result, 1);
    ASSERT_EQ(whole.rgba, fixtures::expected_rgba(p));

    auto changed = [&](size_t index, const std::function<void(PngChunk&)>& change) {
        std::vector<PngChunk> chunks = good;
        change(chunks[index]);
        return fixtures::png_from_chunks(chunks);
    };
    auto with_stream = [&](const Bytes& stream) {
        return changed(IDAT, [&](PngChunk& c) { c.data = stream; });
    };
    auto wrong_crc = [&](size_t index) {
        return changed(index, [](PngChunk& c) { c.wrong_crc = true; });
    };
    // Where the image data starts in the file: signature, IHDR, PLTE, then the IDAT head.
    const size_t idat_data = 8 + (12 + 13) + (12 + good[1].data.size()) + 8;
    ASSERT_EQ(fixtures::str(Bytes(file.begin() + idat_data - 4, file.begin() + idat_data)), "IDAT");
    Bytes flipped_under_old_crc = file;
    flipped_under_old_crc[idat_data + stored.size() / 2] ^= 0x10;
    Bytes flipped = stored;
    flipped[stored.size() / 2] ^= 0x10;
    Bytes wrong_adler = stored;
    wrong_adler.back() ^= 0x01;
    Bytes compressed = fixtures::zlib_stream(lines, 9);
    compressed[compressed.size() / 2] ^= 0x10;
    Bytes preset_dictionary = stored;
    preset_dictionary[1] |= 0x20;
    Bytes other_method = stored;
    other_method[0] = (other_method[0] & 0xF0) | 7;
    Bytes longer = lines;
    longer.insert(longer.end(), lines.begin(), lines.begin() + line_bytes);
    // Interlaced, the last of the seven passes is every odd row at full width: a whole zlib
    // stream without those lines ends after the sixth pass.
    const Bytes interlaced = fixtures::png_scanlines(p, true);
    const Bytes six_passes(interlaced.begin(), interlaced.end() - 8 * line_bytes);
    ASSERT_EQ(decode_bytes(fixtures::png_with_stream(p, true, fixtures::zlib_stream(interlaced, 6))).rgba,
              whole.rgba);

    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"flipped image data byte under the old CRC", flipped_under_old_crc},
        {"flipped image data byte under its new CRC", with_stream(flipped)},
        {"flipped byte of compressed data", with_stream(compressed)},
        {"wrong IHDR CRC", wrong_crc(0)},
        {"wrong PLTE CRC", wrong_crc(1)},
        {"wrong IDAT CRC", wrong_crc(IDAT)},
        {"wrong IEND CRC", wrong_crc(3)},
        {"wrong Adler-32", with_stream(wrong_adler)},
        {"no Adler-32", with_stream(Bytes(stored.begin(), stored.end() - 4))},
        {"half an Adler-32", with_stream(Bytes(stored.begin(), stored.end() - 2))},
        {"image data a row short", with_stream(fixtures::zlib_stream(Bytes(lines.begin(), lines.end() - line_bytes), 6))},
        {"image data a row long", with_stream(fixtures::zlib_stream(longer, 6))},
        {"interlaced image data ending before the last pass",
         fixtures::png_with_stream(p, true, fixtures::zlib_stream(six_passes, 6))},
        {"cut inside the image data", Bytes(file.begin(), file.begin() + idat_data + stored.size() / 2)},
        {"cut before the image data's CRC", Bytes(file.begin(), file.begin() + idat_data + stored.size())},
        {"preset dictionary", with_stream(preset_dictionary)},
        {"compression method 7", with_stream(other_method)},
        {"interlace method 2", changed(0, [](PngChunk& c) { c.data[12] = 2; })},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decode_bytes(c.file).result, -1) << c.name;
        Loaded l = load_png_bytes(c.file);
        EXPECT_FALSE(l.ok) << c.name;
        EXPECT_EQ(l.info.imageData, nullptr) << c.name;
        EXPECT_EQ(l.boxes, "") << c.name;
    }

    // A file that ends after its image data still holds the whole picture.
    const Decoded no_end = decode_bytes(Bytes(file.begin(), file.end() - 12));
    EXPECT_EQ(no_end.result, 1);
    EXPECT_EQ(no_end.rgba, whole.rgba);
}

// Chunks that only add to the picture are skipped when their CRC is wrong, as other readers do.
TEST(PngDecoder, AncillaryChunksWithAWrongCrcAreSkipped)
{
    Picture p = fixtures::sample_picture(2, 8, 6, 4);
    p.pixels[5] = {10, 20, 30};
    const Bytes stream = fixtures::zlib_stream(fixtures::png_scanlines(p, false), 6);
    const Bytes expected = fixtures::expected_rgba(p);
    Picture with_colour_key = p;
    with_colour_key.transparency = {0, 10, 0, 20, 0, 30};
    std::vector<PngChunk> chunks = fixtures::png_chunks(with_colour_key, stream);
    chunks.insert(chunks.begin() + 1, PngChunk{"tEXt", Bytes{'a', 0, 'b'}, true});
    ASSERT_EQ(chunks[2].type, "tRNS");
    const Decoded keyed = decode_bytes(fixtures::png_from_chunks(chunks));
    EXPECT_EQ(keyed.result, 1);
    EXPECT_EQ(keyed.rgba, fixtures::expected_rgba(with_colour_key));
    EXPECT_EQ(keyed.rgba[5 * 4 + 3], 0);

    chunks[2].wrong_crc = true;
    const Decoded unkeyed = decode_bytes(fixtures::png_from_chunks(chunks));
    EXPECT_EQ(unkeyed.result, 1);
    EXPECT_EQ(unkeyed.rgba, expected);
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

    // A chunk that claims more bytes than the file has ends the walk, here without image data.
    Bytes huge = fixtures::png_signature();
    fixtures::png_chunk(huge, "IHDR", fixtures::png_ihdr(4, 4, 8, 6, 0));
    fixtures::put32be(huge, 0xFFFFFFF0u);
    huge.insert(huge.end(), {'I', 'D', 'A', 'T', 1, 2, 3});
    Decoded dh = decode_bytes(huge);
    EXPECT_EQ(dh.result, -1);
    EXPECT_EQ(dh.inflated, 0);
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
