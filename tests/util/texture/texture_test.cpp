#include "util/texture/texture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/gl_queries.h"
#include "support/temp_dir.h"
#include "util/texture/image_fixtures.h"

namespace {

GLint tex_param(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint level_param(int level, GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// A framebuffer object around a texture, so a test can paint the texture with clears.
class PaintTarget {
public:
    explicit PaintTarget(const Texture& texture)
    {
        glGenFramebuffersEXT(1, &fbo);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  texture.get_id(), 0);
        EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT),
                  static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
        glViewport(0, 0, static_cast<GLsizei>(texture.get_width()),
                   static_cast<GLsizei>(texture.get_height()));
    }
    ~PaintTarget()
    {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glDeleteFramebuffersEXT(1, &fbo);
        glViewport(0, 0, 256, 256);
    }
    // Fills a rectangle of the texture with one colour.
    static void fill(int x, int y, int w, int h, float r, float g, float b)
    {
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, y, w, h);
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 0);
    }

private:
    GLuint fbo = 0;
};

void expect_rgb(const std::vector<unsigned char>& px, int r, int g, int b, const char* where)
{
    EXPECT_NEAR(px[0], r, 2) << where;
    EXPECT_NEAR(px[1], g, 2) << where;
    EXPECT_NEAR(px[2], b, 2) << where;
}

} // namespace

class TextureGl : public GlTest {};

TEST_F(TextureGl, MipmappedRenderTargetHasTrilinearAnisotropicChainAndClampedEdges)
{
    Texture texture;
    ASSERT_TRUE(texture.create_empty(512, 512, Texture::MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8));
    EXPECT_NE(texture.get_id(), 0u);
    EXPECT_EQ(texture.get_width(), 512u);
    EXPECT_EQ(texture.get_height(), 512u);
    EXPECT_EQ(texture.get_bpp(), 32u);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture.get_id()));
    EXPECT_EQ(level_param(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(tex_param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(tex_param(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    GLfloat max_anisotropy = 0, anisotropy = 0;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    EXPECT_GT(max_anisotropy, 1.0f);
    EXPECT_EQ(anisotropy, max_anisotropy);
    EXPECT_EQ(level_param(9, GL_TEXTURE_WIDTH), 1); // 512 -> 1 in nine halvings
    EXPECT_EQ(level_param(9, GL_TEXTURE_HEIGHT), 1);
}

// A render target's chain is storage only, but every level down to 1 x 1 must be there in the
// target's own format, or the texture is incomplete for its mipmap filter and samples as black.
TEST_F(TextureGl, MipmappedRenderTargetsDefineEveryLevelInTheirFormat)
{
    struct Case {
        int width, height;
        GLint format;
    };
    const Case cases[] = {{512, 512, GL_RGBA8}, {60, 17, GL_RGBA32F}, {5, 33, GL_RGBA16F}, {1, 1, GL_RGBA8}};
    for (const Case& c : cases) {
        Texture texture;
        ASSERT_TRUE(texture.create_empty(static_cast<unsigned int>(c.width),
                                         static_cast<unsigned int>(c.height), Texture::MIPMAPS,
                                         Texture::CLAMP_TO_EDGE, c.format));
        int level = 0;
        for (int w = c.width, h = c.height;; ++level, w = std::max(1, w / 2), h = std::max(1, h / 2)) {
            EXPECT_EQ(level_param(level, GL_TEXTURE_WIDTH), w) << c.width << "x" << c.height << " level " << level;
            EXPECT_EQ(level_param(level, GL_TEXTURE_HEIGHT), h) << c.width << "x" << c.height << " level " << level;
            EXPECT_EQ(level_param(level, GL_TEXTURE_INTERNAL_FORMAT), c.format) << c.format << " level " << level;
            if (w == 1 && h == 1) break;
        }
        EXPECT_EQ(level_param(level + 1, GL_TEXTURE_WIDTH), 0) << c.width << "x" << c.height;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << c.format;
    }
}

TEST_F(TextureGl, PlainRenderTargetKeepsFiltersRepeatAndNoChain)
{
    Texture texture;
    ASSERT_TRUE(texture.create_empty(64, 32, Texture::NO_MIPMAPS, Texture::REPEAT, GL_RGBA8));
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(tex_param(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_param(GL_GENERATE_MIPMAP), GL_FALSE);
    EXPECT_EQ(level_param(1, GL_TEXTURE_WIDTH), 0);
}

TEST_F(TextureGl, InternalFormatsOfRenderTargets)
{
    const GLint formats[] = {GL_RGBA8,  GL_RGBA32F,          GL_RGB32F,           GL_RGBA16F,
                             GL_RGB16F, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT24,
                             GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT32F};
    for (GLint format : formats) {
        Texture texture;
        ASSERT_TRUE(texture.create_empty(32, 16, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, format));
        EXPECT_EQ(level_param(0, GL_TEXTURE_INTERNAL_FORMAT), format) << format;
        EXPECT_EQ(level_param(0, GL_TEXTURE_WIDTH), 32) << format;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << format;
    }
}

TEST_F(TextureGl, DepthTargetsAreNearestWithoutCompareWhateverTheMipmapFlag)
{
    for (bool mipmap : {Texture::NO_MIPMAPS, Texture::MIPMAPS}) {
        Texture texture;
        ASSERT_TRUE(texture.create_empty(64, 64, mipmap, Texture::CLAMP_TO_EDGE, GL_DEPTH_COMPONENT32));
        EXPECT_EQ(tex_param(GL_TEXTURE_MIN_FILTER), GL_NEAREST) << mipmap;
        EXPECT_EQ(tex_param(GL_TEXTURE_MAG_FILTER), GL_NEAREST) << mipmap;
        EXPECT_EQ(tex_param(GL_TEXTURE_COMPARE_MODE), GL_NONE) << mipmap;
        EXPECT_EQ(tex_param(GL_DEPTH_TEXTURE_MODE), GL_INTENSITY) << mipmap;
    }
}

TEST_F(TextureGl, MultisampleTargetBindsToItsOwnTarget)
{
    Texture plain;
    ASSERT_TRUE(plain.create_empty(8, 8, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8));
    Texture texture;
    ASSERT_TRUE(texture.create_empty(64, 64, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8, 4));
    texture.bind(2);
    EXPECT_EQ(gl_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_2D_MULTISAMPLE), static_cast<GLint>(texture.get_id()));
    GLint samples = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D_MULTISAMPLE, 0, GL_TEXTURE_SAMPLES, &samples);
    EXPECT_EQ(samples, 4);
    // The plain texture bound before keeps its own filters.
    plain.bind(0);
    EXPECT_EQ(tex_param(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    // The short form keeps the sample count through a resize.
    ASSERT_TRUE(texture.resize(32, 32));
    texture.bind(1);
    glGetTexLevelParameteriv(GL_TEXTURE_2D_MULTISAMPLE, 0, GL_TEXTURE_SAMPLES, &samples);
    EXPECT_EQ(samples, 4);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(TextureGl, BindLeavesItsUnitActiveAndUnbindReturnsToUnitZero)
{
    Texture texture;
    ASSERT_TRUE(texture.create_empty(16, 16, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8));
    texture.bind(3);
    EXPECT_EQ(gl_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture.get_id()));
    Texture::unbind(3);
    EXPECT_EQ(gl_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE3);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_2D), 0);
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(TextureGl, ResizeRecreatesWithTheSameSettings)
{
    Texture texture;
    ASSERT_TRUE(texture.create_empty(64, 32, Texture::MIPMAPS, Texture::REPEAT, GL_RGBA16F));
    ASSERT_TRUE(texture.resize(128, 16));
    EXPECT_EQ(texture.get_width(), 128u);
    EXPECT_EQ(texture.get_height(), 16u);
    texture.bind(0);
    EXPECT_EQ(level_param(0, GL_TEXTURE_WIDTH), 128);
    EXPECT_EQ(level_param(0, GL_TEXTURE_HEIGHT), 16);
    EXPECT_EQ(level_param(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA16F);
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(tex_param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(level_param(7, GL_TEXTURE_WIDTH), 1);
}

TEST_F(TextureGl, AtiVendorBranchStillBuildsTheWholeChain)
{
    // A 4 x 4 level of one colour: every level of a complete chain has that colour.
    std::vector<unsigned char> pixels(4 * 4 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 200;
        pixels[i + 1] = 100;
        pixels[i + 2] = 50;
        pixels[i + 3] = 255;
    }
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    Texture::build_mipmaps(GL_TEXTURE_2D, true, "ati technologies inc.");
    EXPECT_EQ(tex_param(GL_GENERATE_MIPMAP), GL_TRUE);
    ASSERT_EQ(level_param(2, GL_TEXTURE_WIDTH), 1);
    unsigned char last[4] = {0, 0, 0, 0};
    glGetTexImage(GL_TEXTURE_2D, 2, GL_RGBA, GL_UNSIGNED_BYTE, last);
    EXPECT_EQ(last[0], 200);
    EXPECT_EQ(last[1], 100);
    EXPECT_EQ(last[2], 50);
    glDeleteTextures(1, &id);
}

TEST_F(TextureGl, DrawPutsTheTextureOnItsRectangleTintedByTheColour)
{
    Texture texture;
    ASSERT_TRUE(texture.create_empty(16, 16, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8));
    {
        PaintTarget target(texture);
        PaintTarget::fill(0, 0, 16, 16, 1, 0, 0); // right half red
        PaintTarget::fill(0, 0, 8, 16, 0, 1, 0);  // left half green
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    texture.draw(0.25f, 0.25f, 0.5f, 0.5f); // pixels 64..191
    expect_rgb(pixel(70, 128), 0, 255, 0, "left half");
    expect_rgb(pixel(185, 128), 255, 0, 0, "right half");
    expect_rgb(pixel(60, 128), 0, 0, 0, "left of the quad");
    expect_rgb(pixel(128, 195), 0, 0, 0, "above the quad");
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(gl_integer(GL_MATRIX_MODE), GL_MODELVIEW);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(projection[0], 1.0f); // the caller's projection is back

    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    glColor4f(0.5f, 0.5f, 0.5f, 1);
    texture.draw(0, 0, 1, 1);
    expect_rgb(pixel(200, 10), 128, 0, 0, "tinted");
}

TEST_F(TextureGl, DrawVariantsFollowThePictureAspect)
{
    Texture wide; // 16:9
    ASSERT_TRUE(wide.create_empty(32, 18, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8));
    {
        PaintTarget target(wide);
        PaintTarget::fill(0, 0, 32, 18, 1, 1, 1);
    }
    EXPECT_DOUBLE_EQ(wide.get_aspect(), 32.0 / 18.0);
    glColor4f(1, 1, 1, 1);

    // Centred, half the width, on a 16:9 screen: (0.25, 0.25) to (0.75, 0.75).
    wide.draw_centered(0.5f, 16.0f / 9.0f);
    expect_rgb(pixel(66, 66), 255, 255, 255, "centred inside");
    expect_rgb(pixel(189, 189), 255, 255, 255, "centred inside");
    expect_rgb(pixel(61, 128), 0, 0, 0, "centred left");
    expect_rgb(pixel(128, 194), 0, 0, 0, "centred above");

    // Keep aspect on a square screen: 0.5 wide gives 0.28125 high.
    glClear(GL_COLOR_BUFFER_BIT);
    wide.draw_keep_aspect(0.0f, 0.0f, 0.5f, 1.0f);
    expect_rgb(pixel(10, 68), 255, 255, 255, "kept inside");
    expect_rgb(pixel(10, 76), 0, 0, 0, "kept above");

    // Aligned from the right: 0.25 high on a square screen is 0.444 wide, ending at 0.9.
    glClear(GL_COLOR_BUFFER_BIT);
    wide.draw_aligned(0.1f, 0.0f, 0.25f, 1.0f, false);
    expect_rgb(pixel(228, 10), 255, 255, 255, "aligned inside");
    expect_rgb(pixel(234, 10), 0, 0, 0, "aligned right");
    expect_rgb(pixel(116, 10), 0, 0, 0, "aligned left");
}

TEST_F(TextureGl, ReadPixelsReturnsLevelZeroBottomRowFirst)
{
    Texture texture;
    ASSERT_TRUE(texture.create_empty(4, 2, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8));
    {
        PaintTarget target(texture);
        PaintTarget::fill(0, 0, 4, 1, 0, 0, 1); // bottom row blue
        PaintTarget::fill(0, 1, 4, 1, 1, 1, 0); // top row yellow
    }
    unsigned char* pixels = texture.read_pixels();
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[2], 255);
    EXPECT_EQ(pixels[16], 255);
    EXPECT_EQ(pixels[17], 255);
    EXPECT_EQ(pixels[18], 0);
    std::free(pixels);
    EXPECT_EQ(gl_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
}

TEST(TextureFatal, MisuseEndsWithTheReport)
{
    struct Case {
        std::function<void()> body;
        const char* message;
    };
    const Case cases[] = {
        {[] { Texture().create_empty(8, 8, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_ALPHA32F_ARB); },
         "Unrecognized texture format 34838!"},
        {[] { Texture().create_empty(8, 8, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, 0); },
         "Unrecognized texture format 0!"},
        {[] {
             Texture t;
             t.create_empty(8, 8, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8);
             t.create();
         },
         "Attempt to create an already initialized texture!"},
        {[] { Texture().resize(8, 8); }, "Attempted to resize a texture that is not initialized!"},
        {[] { Texture().get_aspect(); }, "Invalid texture!"},
        {[] { Texture().read_pixels(); }, "Failed assert 4 == bytespp"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_gl_child(c.body);
        EXPECT_EQ(result.exit_code, 1) << c.message;
        EXPECT_NE(result.err.find(std::string("Error in file src\\util\\texture\\texture:")),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find(std::string("\n\n") + c.message + "\n"), std::string::npos)
            << result.err;
    }
}

namespace {

// A 3 x 2 24-bit TGA: odd rows of 9 bytes, stored B, G, R.
std::string small_tga()
{
    fixtures::Bytes file = fixtures::tga_header(2, 3, 2, 24);
    for (int i = 0; i < 18; ++i) file.push_back(static_cast<unsigned char>(10 * i));
    return fixtures::str(file);
}

} // namespace

TEST_F(TextureGl, LoadPicksTheReaderByExtensionWhateverItsCase)
{
    TempDir dir;
    dir.write("picture.TGA", small_tga());
    fixtures::Picture p = fixtures::sample_picture(6, 8, 5, 3);
    dir.write("icon.png", fixtures::str(fixtures::png_file(p, false)));
    fixtures::Bytes rgb(4 * 4 * 3, 99);
    dir.write("photo.jpeg", fixtures::str(fixtures::jpeg_file(4, 4, rgb, 90)));
    dir.write("photo.JPEG", fixtures::str(fixtures::jpeg_file(4, 4, rgb, 90)));
    dir.write("photo.jpg", fixtures::str(fixtures::jpeg_file(4, 4, rgb, 90)));
    dir.write("p.bmp", fixtures::str(fixtures::bmp_file(2, 1, fixtures::Bytes(6, 1), 8, 2)));

    Texture tga(dir.file("picture.TGA"), Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE);
    EXPECT_EQ(tga.get_bpp(), 24u);
    EXPECT_EQ(level_param(0, GL_TEXTURE_WIDTH), 3);
    // Internal format 3 is an RGB format of 8 bits a channel.
    EXPECT_EQ(level_param(0, GL_TEXTURE_RED_SIZE), 8);
    EXPECT_EQ(level_param(0, GL_TEXTURE_ALPHA_SIZE), 0);
    // Rows of 9 bytes arrive whole: the second row starts with byte 9 of the file's data.
    unsigned char back[3 * 2 * 3];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(back[9], 110);  // R of pixel 3 is the file's byte 11
    EXPECT_EQ(back[11], 90);
    EXPECT_EQ(back[17], 150);

    Texture png(dir.file("icon.png"), Texture::MIPMAPS, Texture::REPEAT, GL_NEAREST, GL_NEAREST);
    EXPECT_EQ(png.get_bpp(), 32u);
    EXPECT_EQ(level_param(0, GL_TEXTURE_ALPHA_SIZE), 8);
    EXPECT_EQ(tex_param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(level_param(2, GL_TEXTURE_WIDTH), 1); // 5 -> 2 -> 1
    unsigned char* pixels = png.read_pixels();
    // Row 0 of the texture is the picture's last (bottom) row.
    const fixtures::Bytes top_down = fixtures::expected_rgba(p);
    EXPECT_EQ(fixtures::Bytes(pixels, pixels + 20), fixtures::Bytes(top_down.begin() + 40, top_down.begin() + 60));
    std::free(pixels);

    for (const char* name : {"photo.jpeg", "photo.JPEG", "photo.jpg", "p.bmp"}) {
        Texture t(dir.file(name));
        EXPECT_EQ(t.get_bpp(), 32u) << name;
        EXPECT_NE(t.get_id(), 0u) << name;
        EXPECT_EQ(tex_param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR) << name;
    }
}

TEST(TextureFatal, LoadFailuresAndReadBackOfTwentyFourBits)
{
    TempDir dir;
    dir.write("image.gif", "GIF89a");
    dir.write("a.tga", small_tga());
    dir.write("broken.png", "not a png");
    const std::string gif = dir.file("image.gif");
    ChildResult unsupported = run_in_gl_child([&] { Texture t(gif); });
    EXPECT_EQ(unsupported.exit_code, 1);
    EXPECT_EQ(unsupported.err.find("Unsupported image format!\nSorry, image format .gif is not yet "
                                   "supported.\nTry .tga or .png.\n"),
              0u)
        << unsupported.err;
    EXPECT_NE(unsupported.err.find("\n\nFailed to load texture " + gif + "\n"), std::string::npos);

    const std::string broken = dir.file("broken.png");
    ChildResult silent = run_in_gl_child([&] { Texture t(broken); });
    EXPECT_EQ(silent.exit_code, 1);
    EXPECT_EQ(silent.err.find("Error in file src\\util\\texture\\texture:"), 0u) << silent.err;

    ChildResult shortname = run_in_gl_child([] { Texture t("gx"); });
    EXPECT_EQ(shortname.exit_code, 1);
    EXPECT_NE(shortname.err.find("Sorry, image format gx is not yet supported."), std::string::npos);

    const std::string tga = dir.file("a.tga");
    ChildResult read_back = run_in_gl_child([&] {
        Texture t(tga);
        t.read_pixels();
    });
    EXPECT_EQ(read_back.exit_code, 1);
    EXPECT_NE(read_back.err.find("\n\nFailed assert 4 == bytespp\n"), std::string::npos) << read_back.err;
}

// A damaged picture ends the program with the load's report instead of being shown garbled.
TEST(TextureFatal, DamagedPicturesEndWithTheLoadReport)
{
    fixtures::Picture p = fixtures::sample_picture(6, 8, 8, 8);
    const fixtures::Bytes stored = fixtures::zlib_stream(fixtures::png_scanlines(p, false), 0);
    std::vector<fixtures::PngChunk> chunks = fixtures::png_chunks(p, stored);
    const fixtures::Bytes png = fixtures::png_from_chunks(chunks);
    const size_t idat_data = 8 + (12 + 13) + 8; // signature, IHDR, the IDAT head
    ASSERT_EQ(fixtures::str(fixtures::Bytes(png.begin() + idat_data - 4, png.begin() + idat_data)), "IDAT");

    fixtures::Bytes flipped = png;
    flipped[idat_data + stored.size() / 2] ^= 0x08;
    std::vector<fixtures::PngChunk> header_crc = chunks;
    header_crc[0].wrong_crc = true;
    std::vector<fixtures::PngChunk> adler = chunks;
    adler[1].data.back() ^= 0x01;
    fixtures::Bytes rgb(64 * 64 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 7 % 251);
    const fixtures::Bytes jpeg = fixtures::jpeg_file(64, 64, rgb, 90);

    TempDir dir;
    const struct {
        const char* name;
        fixtures::Bytes file;
    } cases[] = {
        {"flipped.png", flipped},
        {"header_crc.png", fixtures::png_from_chunks(header_crc)},
        {"cut.png", fixtures::Bytes(png.begin(), png.begin() + static_cast<long>(idat_data + stored.size() / 2))},
        {"adler.png", fixtures::png_from_chunks(adler)},
        {"cut.jpg", fixtures::Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 2 / 3))},
    };
    for (const auto& c : cases) {
        dir.write(c.name, fixtures::str(c.file));
        const std::string path = dir.file(c.name);
        ChildResult result = run_in_gl_child([&] { Texture t(path); });
        EXPECT_EQ(result.exit_code, 1) << c.name;
        EXPECT_NE(result.err.find("Error in file src\\util\\texture\\texture:"), std::string::npos)
            << c.name << ": " << result.err;
        EXPECT_NE(result.err.find("\n\nFailed to load texture " + path + "\n"), std::string::npos)
            << c.name << ": " << result.err;
    }
}

TEST_F(TextureGl, ReadersRefusePicturesLargerThanTheContextAllows)
{
    GLint max_side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_side);
    ASSERT_GT(max_side, 0);
    EXPECT_EQ(Texture::max_image_side(), static_cast<unsigned int>(max_side));
    TempDir dir;
    const unsigned side = static_cast<unsigned>(max_side) + 1;
    dir.write("wide.tga", fixtures::str(fixtures::tga_header(2, side, 1, 24)) + std::string(side * 3, 'x'));
    Texture::TextureInfo info = {nullptr, 0, 0, 0, 0};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Texture::load_tga(&info, dir.file("wide.tga").c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR at src\\util\\texture\\tga_loader:86\nInvalid texture information\n");
    EXPECT_EQ(info.imageData, nullptr);
}
