// The TGA, BMP and JPEG readers on pictures made byte by byte (and through libjpeg).
#include <cstdlib>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "util/texture/image_fixtures.h"
#include "util/texture/pixelbuffer.h"
#include "util/texture/texture.h"

using fixtures::Bytes;

namespace {

struct Loaded {
    bool ok = false;
    Texture::TextureInfo info = {nullptr, 0, 0, 0, 0};
    std::string boxes;
    Bytes pixels() const
    {
        return info.imageData ? Bytes(info.imageData, info.imageData + info.width * info.height * info.bpp / 8)
                              : Bytes();
    }
    ~Loaded() { std::free(info.imageData); }
};

typedef bool (*Reader)(Texture::TextureInfo*, const char*);

void load(Loaded& l, Reader reader, const Bytes& file, const char* name)
{
    TempDir dir;
    dir.write(name, fixtures::str(file));
    testing::internal::CaptureStderr();
    l.ok = reader(&l.info, dir.file(name).c_str());
    l.boxes = testing::internal::GetCapturedStderr();
}

Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string ERROR_BOX = "ERROR\n";

} // namespace

TEST(TgaReader, UncompressedPicturesKeepTheirRowsAndBecomeRgb)
{
    // 3 x 2, 24-bit: B, G, R in the file; an odd width checks that rows are tightly packed.
    Bytes body = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    Loaded rgb;
    load(rgb, Texture::load_tga, concat(fixtures::tga_header(2, 3, 2, 24), body), "a.tga");
    ASSERT_TRUE(rgb.ok) << rgb.boxes;
    EXPECT_EQ(rgb.info.bpp, 24u);
    EXPECT_EQ(rgb.info.format, static_cast<GLenum>(GL_RGB));
    EXPECT_EQ(rgb.info.width, 3u);
    EXPECT_EQ(rgb.info.height, 2u);
    EXPECT_EQ(rgb.pixels(), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));

    Loaded rgba;
    load(rgba, Texture::load_tga, concat(fixtures::tga_header(2, 2, 1, 32), {1, 2, 3, 4, 5, 6, 7, 8}), "b.tga");
    ASSERT_TRUE(rgba.ok);
    EXPECT_EQ(rgba.info.format, static_cast<GLenum>(GL_RGBA));
    EXPECT_EQ(rgba.pixels(), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(TgaReader, RunLengthPacketsOfEveryLength)
{
    // 16 x 17 = 272 pixels: a run of 1 (0x80), a run of 128 (0xFF), 128 literals (0x7F) and 15 literals.
    Bytes body = {0x80, 10, 20, 30, 0xFF, 1, 2, 3, 0x7F};
    for (int i = 0; i < 128; ++i) body.insert(body.end(), {static_cast<unsigned char>(i), 0, 0});
    body.push_back(0x0E);
    for (int i = 0; i < 15; ++i) body.insert(body.end(), {0, static_cast<unsigned char>(i), 9});
    Loaded l;
    load(l, Texture::load_tga, concat(fixtures::tga_header(10, 16, 17, 24), body), "rle.tga");
    ASSERT_TRUE(l.ok) << l.boxes;
    Bytes expected = {30, 20, 10};
    for (int i = 0; i < 128; ++i) expected.insert(expected.end(), {3, 2, 1});
    for (int i = 0; i < 128; ++i) expected.insert(expected.end(), {0, 0, static_cast<unsigned char>(i)});
    for (int i = 0; i < 15; ++i) expected.insert(expected.end(), {9, static_cast<unsigned char>(i), 0});
    EXPECT_EQ(l.pixels(), expected);

    Loaded alpha;
    load(alpha, Texture::load_tga, concat(fixtures::tga_header(10, 2, 1, 32), {0x81, 1, 2, 3, 4}), "a.tga");
    ASSERT_TRUE(alpha.ok);
    EXPECT_EQ(alpha.pixels(), (Bytes{3, 2, 1, 4, 3, 2, 1, 4}));
}

TEST(TgaReader, RefusedAndBrokenFilesShowTheirBox)
{
    const Bytes pixel = {1, 2, 3};
    Bytes with_id = concat(fixtures::tga_header(2, 1, 1, 24), pixel);
    with_id[0] = 4;
    Bytes with_map = concat(fixtures::tga_header(2, 1, 1, 24), pixel);
    with_map[1] = 1;
    Bytes with_origin = concat(fixtures::tga_header(2, 1, 1, 24), pixel);
    with_origin[8] = 5;
    Bytes short_information = fixtures::tga_header(2, 1, 1, 24);
    short_information.resize(15);
    struct Case {
        const char* name;
        Bytes file;
        std::string box;
    };
    const std::string wrong_type = "Invalid Image\nTGA file be type 2 or type 10 \n";
    const Case cases[] = {
        {"identification field", with_id, wrong_type},
        {"colour map", with_map, wrong_type},
        {"origin", with_origin, wrong_type},
        {"short header", Bytes{0, 0, 2, 0, 0}, ERROR_BOX + "Could not read file header\n"},
        {"short information", short_information, ERROR_BOX + "Could not read info header\n"},
        {"16-bit", concat(fixtures::tga_header(2, 1, 1, 16), {1, 2}),
         "ERROR at src\\util\\texture\\tga_loader:86\nInvalid texture information\n"},
        {"16-bit run-length", concat(fixtures::tga_header(10, 1, 1, 16), {0x80, 1, 2}),
         "ERROR at src\\util\\texture\\tga_loader:160\nInvalid texture information\n"},
        {"zero width", fixtures::tga_header(2, 0, 1, 24),
         "ERROR at src\\util\\texture\\tga_loader:86\nInvalid texture information\n"},
        {"beyond the texture limit", fixtures::tga_header(2, 65535, 65535, 32),
         "ERROR at src\\util\\texture\\tga_loader:86\nInvalid texture information\n"},
        {"short image", concat(fixtures::tga_header(2, 2, 2, 24), {1, 2, 3, 4, 5, 6, 7}),
         ERROR_BOX + "Could not read image data\n"},
        {"run past the picture", concat(fixtures::tga_header(10, 2, 2, 24), {0x82, 1, 2, 3, 0x81, 4, 5, 6}),
         ERROR_BOX + "Too many pixels read\n"},
        {"literals past the picture", concat(fixtures::tga_header(10, 2, 1, 32), {0x02, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}),
         ERROR_BOX + "Too many pixels read\n"},
        {"missing packet", concat(fixtures::tga_header(10, 2, 2, 24), {0x81, 1, 2, 3}),
         ERROR_BOX + "Could not read RLE header\n"},
        {"missing run pixel", concat(fixtures::tga_header(10, 2, 2, 24), {0x81, 1, 2}),
         ERROR_BOX + "Could not read from file\n"},
        {"missing literal", concat(fixtures::tga_header(10, 2, 2, 24), {0x01, 1, 2, 3}),
         ERROR_BOX + "Could not read image data\n"},
    };
    for (const Case& c : cases) {
        Loaded l;
        load(l, Texture::load_tga, c.file, "x.tga");
        EXPECT_FALSE(l.ok) << c.name;
        EXPECT_EQ(l.info.imageData, nullptr) << c.name;
        EXPECT_EQ(l.boxes, c.box) << c.name;
    }
    Texture::TextureInfo info = {nullptr, 0, 0, 0, 0};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Texture::load_tga(&info, "/nonexistent/file.tga"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ERROR_BOX + "Could not open texture file\n");
}

TEST(BmpReader, RowsComeOutBottomFirstAsOpaqueRgba)
{
    // 3 x 2; the file's first row is the bottom one. 12 bytes a row in the size field: 3 padding bytes.
    const Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    const Bytes expected = {3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 13, 12, 11, 255, 16, 15, 14, 255, 19, 18, 17, 255};
    for (unsigned image_size : {24u, 0u}) { // 0: rows padded to 4 bytes, as the format says
        Loaded l;
        load(l, Texture::load_bmp, fixtures::bmp_file(3, 2, rows, image_size, 3), "p.bmp");
        ASSERT_TRUE(l.ok) << image_size;
        EXPECT_EQ(l.info.bpp, 32u);
        EXPECT_EQ(l.info.format, static_cast<GLenum>(GL_RGBA));
        EXPECT_EQ(l.pixels(), expected) << image_size;
        EXPECT_EQ(l.boxes, "");
    }
}

TEST(BmpReader, OtherFormatsAndBrokenFilesFailSilently)
{
    const Bytes rows(2 * 2 * 3, 7);
    Bytes short_header = fixtures::bmp_file(2, 2, rows, 0, 0);
    short_header.resize(30);
    Bytes short_pixels = fixtures::bmp_file(2, 2, rows, 16, 2);
    short_pixels.resize(short_pixels.size() - 3);
    Bytes far_offset = fixtures::bmp_file(2, 2, rows, 16, 2);
    far_offset[10] = 0xFF;
    far_offset[13] = 0x7F;
    struct Case {
        const char* name;
        Bytes file;
        int code;
    };
    const Case cases[] = {
        {"8-bit", fixtures::bmp_file(2, 2, rows, 0, 0, 8), 2},
        {"16-bit", fixtures::bmp_file(2, 2, rows, 0, 0, 16), 2},
        {"32-bit", fixtures::bmp_file(2, 2, rows, 0, 0, 32), 2},
        {"compressed", fixtures::bmp_file(2, 2, rows, 0, 0, 24, 1), 2},
        {"top-down", fixtures::bmp_file(2, -2, Bytes(), 0, 0), 2},
        {"beyond the texture limit", fixtures::bmp_file(100000, 1, Bytes(), 0, 0), 2},
        {"size field smaller than the pixels", fixtures::bmp_file(2, 2, rows, 4, 0), 2},
        {"empty", Bytes(), 4},
        {"short header", short_header, 4},
        {"short pixel data", short_pixels, 4},
        {"pixel data past the end", far_offset, 4},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("x.bmp", fixtures::str(c.file));
        PixelBuffer buffer(PixelBuffer::TYPE_RGB);
        EXPECT_EQ(buffer.read_bmp(dir.file("x.bmp").c_str()), c.code) << c.name;
        Loaded l;
        load(l, Texture::load_bmp, c.file, "x.bmp");
        EXPECT_FALSE(l.ok) << c.name;
        EXPECT_EQ(l.boxes, "") << c.name;
    }
    PixelBuffer buffer(PixelBuffer::TYPE_RGB);
    EXPECT_EQ(buffer.read_bmp("/nonexistent.bmp"), 1);
}

TEST(JpegReader, DecodesBottomRowFirstAsOpaqueRgba)
{
    // 16 x 16: top half red, bottom half blue.
    Bytes rgb;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Bytes colour = y < 8 ? Bytes{250, 0, 0} : Bytes{0, 0, 250};
            rgb.insert(rgb.end(), colour.begin(), colour.end());
        }
    }
    for (const char* name : {"p.jpg", "p.jpeg"}) {
        Loaded l;
        load(l, Texture::load_jpg, fixtures::jpeg_file(16, 16, rgb, 100), name);
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.info.bpp, 32u);
        EXPECT_EQ(l.info.format, static_cast<GLenum>(GL_RGBA));
        EXPECT_EQ(l.info.width, 16u);
        EXPECT_EQ(l.info.height, 16u);
        const Bytes px = l.pixels();
        EXPECT_NEAR(px[2], 250, 6);   // row 0 is the bottom row: blue
        EXPECT_NEAR(px[0], 0, 6);
        EXPECT_NEAR(px[15 * 64 + 0], 250, 6); // the top row: red
        for (size_t i = 3; i < px.size(); i += 4) ASSERT_EQ(px[i], 255);
    }
}

TEST(JpegReader, CorruptPicturesFailTheReadInsteadOfEndingTheProgram)
{
    Bytes rgb(8 * 8 * 3, 128);
    const Bytes good = fixtures::jpeg_file(8, 8, rgb, 90);
    const Bytes cases[] = {
        Bytes(good.begin(), good.begin() + 20),               // cut inside the headers
        Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 1, 2, 3},  // a broken frame header
        Bytes{'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'},
        Bytes(),
    };
    for (const Bytes& file : cases) {
        Loaded l;
        load(l, Texture::load_jpg, file, "x.jpg");
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.info.imageData, nullptr);
    }
    PixelBuffer buffer(PixelBuffer::TYPE_RGB);
    EXPECT_FALSE(buffer.read_jpeg("/nonexistent.jpg"));
}

// The library reads on past a file cut short or damaged scan data with made-up rows, only
// warning; such a picture fails the read, with the library's warning on standard error.
TEST(JpegReader, PicturesCutShortOrWithDamagedDataFailTheRead)
{
    Bytes rgb;
    unsigned seed = 1;
    for (int i = 0; i < 32 * 32 * 3; ++i) {
        seed = seed * 1103515245u + 12345u;
        rgb.push_back(static_cast<unsigned char>(seed >> 16));
    }
    // Where a marker starts, from a byte on; the file's size when there is none.
    auto marker = [](const Bytes& file, unsigned char code, size_t from) {
        while (from + 1 < file.size() && !(file[from] == 0xFF && file[from + 1] == code)) ++from;
        return from;
    };
    const Bytes good = fixtures::jpeg_file(32, 32, rgb, 90);
    const size_t middle = (marker(good, 0xDA, 0) + good.size()) / 2; // in the scan data
    ASSERT_LT(marker(good, 0xDA, 0) + 100, good.size());

    Bytes flipped = good;
    flipped[middle] ^= 0x55;
    Bytes marker_in_scan = good;
    marker_in_scan[middle] = 0xFF;
    marker_in_scan[middle + 1] = 0xD3;
    // Twenty-four one bits: longer than any Huffman code.
    Bytes no_such_code = good;
    no_such_code.insert(no_such_code.begin() + static_cast<long>(middle), {0xFF, 0, 0xFF, 0, 0xFF, 0});
    // A restart marker out of its sequence.
    Bytes restarts = fixtures::jpeg_file(32, 32, rgb, 90, 1);
    restarts[marker(restarts, 0xD1, 0) + 1] = 0xD5;
    Bytes arithmetic = fixtures::jpeg_file(32, 32, rgb, 90, 0, true);
    const size_t arithmetic_middle = (marker(arithmetic, 0xDA, 0) + arithmetic.size()) / 2;
    for (size_t i = 0; i < 8; ++i) arithmetic[arithmetic_middle + i] = 0x02;

    const struct {
        const char* name;
        Bytes file;
        const char* warning;
    } cases[] = {
        {"cut inside the scan", Bytes(good.begin(), good.begin() + static_cast<long>(middle)),
         "Premature end of JPEG file"},
        {"flipped scan byte", flipped, "extraneous bytes before marker"},
        {"marker inside the scan", marker_in_scan, "premature end of data segment"},
        {"bits of no Huffman code", no_such_code, "bad Huffman code"},
        {"restart marker out of sequence", restarts, "instead of RST1"},
        {"damaged arithmetic-coded scan", arithmetic, "bad arithmetic code"},
    };
    for (const auto& c : cases) {
        Loaded l;
        load(l, Texture::load_jpg, c.file, "x.jpg");
        EXPECT_FALSE(l.ok) << c.name;
        EXPECT_EQ(l.info.imageData, nullptr) << c.name;
        // The read stops at this warning: it is the last message.
        const size_t last_line = l.boxes.rfind('\n', l.boxes.size() >= 2 ? l.boxes.size() - 2 : 0);
        const std::string last = l.boxes.substr(last_line == std::string::npos ? 0 : last_line + 1);
        EXPECT_NE(last.find(c.warning), std::string::npos) << c.name << ": " << l.boxes;
    }

    // Intact, the restart and arithmetic forms load; a warning about the header alone
    // leaves the picture as it is.
    Bytes new_revision = good;
    ASSERT_EQ(Bytes(good.begin() + 6, good.begin() + 11), (Bytes{'J', 'F', 'I', 'F', 0}));
    new_revision[11] = 3;
    const struct {
        const char* name;
        Bytes file;
        const char* messages;
    } loading[] = {
        {"restart markers", fixtures::jpeg_file(32, 32, rgb, 90, 1), ""},
        {"arithmetic coding", fixtures::jpeg_file(32, 32, rgb, 90, 0, true), ""},
        {"unknown JFIF revision", new_revision, "Warning: unknown JFIF revision number 3.01\n"},
    };
    for (const auto& c : loading) {
        Loaded l;
        load(l, Texture::load_jpg, c.file, "x.jpg");
        EXPECT_TRUE(l.ok) << c.name;
        EXPECT_EQ(l.boxes, c.messages) << c.name;
    }
}

TEST(PixelBufferTest, GreyCellsAndTheRgbaBlock)
{
    EXPECT_EQ(max3i(3, 9, -2), 9);
    EXPECT_EQ(min3i(3, 9, -2), -2);
    PixelBuffer grey(PixelBuffer::TYPE_GREY);
    ASSERT_TRUE(grey.set_size(2, 2));
    grey.set_pixel(0, 0, 10, 200, 51); // (200 + 10) / 2
    grey.set_pixel(1, 1, 9, 9, 9);
    grey.set_pixel(2, 0, 1, 1, 1);     // outside: ignored
    grey.set_pixel(0, -1, 1, 1, 1);
    EXPECT_EQ(grey.grey_at(0, 0), 105);
    PixelBuffer rgb(PixelBuffer::TYPE_RGB);
    ASSERT_TRUE(rgb.set_size(1, 2));
    rgb.set_pixel(0, 0, 1, 2, 3);
    rgb.set_pixel(1, 0, 4, 5, 6);
    unsigned char* block = rgb.to_rgba();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(Bytes(block, block + 8), (Bytes{4, 5, 6, 255, 1, 2, 3, 255}));
    std::free(block);
}
