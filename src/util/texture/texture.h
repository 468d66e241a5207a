// One 2-D OpenGL texture: a picture loaded from an image file through the data layer, or an
// empty render target of a given size and internal format (what the FBO attaches). Pixels are
// kept only until they are uploaded; afterwards the GL texture is the only copy.
#pragma once

#include <GL/glew.h>
#include <cstdio>
#include <string>

// What a 2-D texture and a cube map both keep of their GL texture: its name and the settings
// it is created with, and the steps of creating it that the two share.
struct TextureSettings {
    GLuint id = 0; // 0 while not created
    GLenum wrap = GL_CLAMP_TO_EDGE; // GL_REPEAT or GL_CLAMP_TO_EDGE, on every axis
    GLint internal_format = 0;
    bool mipmap = false; // a mipmap chain, sampled trilinear and anisotropic
    GLenum min_filter = GL_LINEAR; // the filters where mipmap is off
    GLenum mag_filter = GL_LINEAR;

    // A new GL texture in id, bound to target.
    void generate(GLenum target);
    // The filter and wrap step of create on the texture bound to target: trilinear with the
    // widest anisotropy for a mipmapped texture, else the filters above; wrap on s and t (and
    // on r for a cube map).
    void set_sampling(GLenum target) const;
    // The mipmap step of create (Texture::build_mipmaps) by the context's vendor.
    void build_mipmaps(GLenum target) const;
    // Deletes the GL texture, if there is one; id is 0 afterwards.
    void delete_texture();
};

// Pixel rows handed to GL while the object lives are read tightly packed: a 24-bit row whose
// length is not a multiple of 4 would otherwise be read with padding that the pixels do not
// have. The unpack alignment the caller had comes back afterwards.
class TightRowUnpacking {
public:
    TightRowUnpacking();
    ~TightRowUnpacking();
    TightRowUnpacking(const TightRowUnpacking&) = delete;
    TightRowUnpacking& operator=(const TightRowUnpacking&) = delete;

private:
    GLint saved_alignment = 4;
};

class Texture {
public:
    // The part of the texture that an image reader fills (the first five fields).
    struct TextureInfo {
        unsigned char* imageData; // malloc'd rows, row 0 at the bottom, tightly packed
        unsigned int bpp;         // 24 or 32
        unsigned int width;
        unsigned int height;
        GLenum format; // GL_RGB or GL_RGBA
    };

    // The two flags of the loading constructors, load and create_empty, named so that a call
    // says what it asks for.
    static constexpr bool MIPMAPS = true;        // a mipmap chain, filtered trilinear and anisotropic
    static constexpr bool NO_MIPMAPS = false;    // one level, filtered as given
    static constexpr bool REPEAT = true;         // GL_REPEAT on s and t
    static constexpr bool CLAMP_TO_EDGE = false; // GL_CLAMP_TO_EDGE on s and t

    Texture();
    Texture(const std::string& file, bool mipmap, bool repeat, GLenum min_filter, GLenum mag_filter);
    Texture(const std::string& file, bool mipmap, bool repeat);
    explicit Texture(const std::string& file);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    void reset();

    bool load(const std::string& file, bool mipmap, bool repeat, GLenum min_filter, GLenum mag_filter);
    bool load(const std::string& file, bool mipmap, bool repeat);
    bool load(const std::string& file);

    bool create();
    bool create_empty(unsigned int width, unsigned int height, bool mipmap, bool repeat,
                      GLint internal_format, int samples);
    bool create_empty(unsigned int width, unsigned int height, bool mipmap, bool repeat,
                      GLint internal_format);
    bool resize(unsigned int width, unsigned int height);

    void bind(int unit) const;
    static void unbind(int unit);

    void draw(float x, float y, float w, float h);
    void draw_centered(float w, float screen_aspect);
    void draw_keep_aspect(float x, float y, float w, float screen_aspect);
    void draw_aligned(float x, float y, float h, float screen_aspect, bool from_left);

    unsigned char* read_pixels();

    double get_aspect() const;
    unsigned int get_width() const { return info.width; }
    unsigned int get_height() const { return info.height; }
    unsigned int get_bpp() const { return info.bpp; }
    GLuint get_id() const { return settings.id; }

    // The image readers: each fills the given TextureInfo from a data-layer file and returns
    // true, or shows a message box and returns false.
    static bool load_tga(TextureInfo* texture, const char* file);
    static bool load_png(TextureInfo* texture, const char* file);
    static bool load_jpg(TextureInfo* texture, const char* file);
    static bool load_bmp(TextureInfo* texture, const char* file);
    // The TGA bodies, on a stream positioned after the 12-byte header.
    static bool load_tga_uncompressed(TextureInfo* texture, FILE* stream);
    static bool load_tga_rle(TextureInfo* texture, FILE* stream);

    // The mipmap step of create on the texture bound to target (GL_TEXTURE_2D, or
    // GL_TEXTURE_CUBE_MAP for a cube), by the lower-cased GL_VENDOR string.
    static void build_mipmaps(GLenum target, bool mipmap, const std::string& vendor);
    // The GL_VENDOR string of the current context, lower-cased ("" without one).
    static std::string vendor_lower_case();

    // The largest picture side a reader accepts: GL_MAX_TEXTURE_SIZE of the current context,
    // unless a limit was set (a program without a context, such as a fuzzer, sets one).
    static unsigned int max_image_side();
    static void set_max_image_side(unsigned int side);

private:
    // The mipmap step of create for a render target without pixels: storage for every level.
    void reserve_mipmaps(GLsizei width, GLsizei height, GLenum pixel_format, GLenum pixel_type);

    TextureInfo info;
    TextureSettings settings;
    int samples;
};
