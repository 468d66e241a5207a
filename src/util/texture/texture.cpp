#include "util/texture/texture.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/win32/messagebox.h"
#include "util/error/fatal.h"
#include "util/helpers/unitview.h"

namespace {

const char* const SOURCE = "src\\util\\texture\\texture";

// A limit set by a program without a GL context; 0 asks the context.
unsigned int g_max_image_side = 0;

// Without a context GL answers nothing; pictures are then held to this side.
const unsigned int FALLBACK_MAX_IMAGE_SIDE = 8192;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The last count characters of a name (the whole name when it is shorter), lower-cased.
std::string lower_tail(const std::string& name, size_t count)
{
    return lower(name.size() > count ? name.substr(name.size() - count) : name);
}

bool is_depth_format(GLint format)
{
    return format == GL_DEPTH_COMPONENT16 || format == GL_DEPTH_COMPONENT24 ||
           format == GL_DEPTH_COMPONENT32 || format == GL_DEPTH_COMPONENT32F;
}

bool is_float_format(GLint format)
{
    return format == GL_RGBA32F || format == GL_RGB32F || format == GL_RGBA16F ||
           format == GL_RGB16F;
}

bool is_byte_format(GLint format)
{
    return (format >= 1 && format <= 4) || format == GL_RGBA8;
}

} // namespace

void TextureSettings::generate(GLenum target)
{
    glGenTextures(1, &id);
    glBindTexture(target, id);
}

void TextureSettings::set_sampling(GLenum target) const
{
    if (mipmap) {
        GLfloat anisotropy = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
        glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    } else {
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(min_filter));
        glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(mag_filter));
    }
    glTexParameteri(target, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrap));
    glTexParameteri(target, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrap));
    if (target == GL_TEXTURE_CUBE_MAP) glTexParameteri(target, GL_TEXTURE_WRAP_R, static_cast<GLint>(wrap));
}

void TextureSettings::build_mipmaps(GLenum target) const
{
    Texture::build_mipmaps(target, mipmap, Texture::vendor_lower_case());
}

void TextureSettings::delete_texture()
{
    if (id != 0) {
        glDeleteTextures(1, &id);
        id = 0;
    }
}

TightRowUnpacking::TightRowUnpacking()
{
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

TightRowUnpacking::~TightRowUnpacking() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved_alignment); }

Texture::Texture() { reset(); }

Texture::Texture(const std::string& file, bool mipmap_, bool repeat, GLenum min_filter_,
                 GLenum mag_filter_)
{
    reset();
    load(file, mipmap_, repeat, min_filter_, mag_filter_);
}

Texture::Texture(const std::string& file, bool mipmap_, bool repeat)
{
    reset();
    load(file, mipmap_, repeat);
}

Texture::Texture(const std::string& file)
{
    reset();
    load(file);
}

Texture::~Texture() { settings.delete_texture(); }

void Texture::reset()
{
    info.imageData = nullptr;
    info.bpp = 0;
    info.width = 0;
    info.height = 0;
    info.format = 0;
    settings = TextureSettings();
    samples = 0;
}

bool Texture::load(const std::string& file, bool use_mipmap, bool repeat, GLenum min,
                   GLenum mag)
{
    settings.wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    settings.mipmap = use_mipmap;
    settings.min_filter = min;
    settings.mag_filter = mag;

    std::string extension = lower_tail(file, 4);
    bool loaded = false;
    if (extension == ".tga") {
        loaded = load_tga(&info, file.c_str());
    } else if (extension == ".png") {
        loaded = load_png(&info, file.c_str());
    } else if (extension == ".jpg" || lower_tail(file, 5) == ".jpeg") {
        loaded = load_jpg(&info, file.c_str());
    } else if (extension == ".bmp") {
        loaded = load_bmp(&info, file.c_str());
    } else {
        std::string text = "Sorry, image format " + extension +
                           " is not yet supported.\nTry .tga or .png.";
        MessageBoxA(nullptr, text.c_str(), "Unsupported image format!", MB_OK);
    }
    if (!loaded) FATAL_ERROR(SOURCE, "Failed to load texture " + file);

    settings.internal_format = static_cast<GLint>(info.bpp / 8);
    return create();
}

bool Texture::load(const std::string& file, bool use_mipmap, bool repeat)
{
    return load(file, use_mipmap, repeat, GL_LINEAR, GL_LINEAR);
}

bool Texture::load(const std::string& file) { return load(file, MIPMAPS, REPEAT); }

bool Texture::create()
{
    if (settings.id != 0) FATAL_ERROR(SOURCE, "Attempt to create an already initialized texture!");

    const GLint internal_format = settings.internal_format;
    GLenum pixel_type = GL_UNSIGNED_BYTE;
    GLenum pixel_format = info.format;
    if (is_float_format(internal_format)) {
        pixel_type = GL_FLOAT;
    } else if (is_depth_format(internal_format)) {
        pixel_type = GL_FLOAT;
        pixel_format = GL_DEPTH_COMPONENT;
    } else if (!is_byte_format(internal_format)) {
        FATAL_ERROR(SOURCE, "Unrecognized texture format " + std::to_string(internal_format) + "!");
    }

    // A multisample texture has no sampler state and no mipmaps: filter, wrap and mipmap
    // settings apply to ordinary textures only (on a multisample texture they would either
    // be refused by GL or land on whatever texture is bound to GL_TEXTURE_2D).
    const bool multisample = samples > 0;
    const GLenum target = multisample ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;
    settings.generate(target);

    if (!multisample) {
        settings.set_sampling(GL_TEXTURE_2D);
        if (is_depth_format(internal_format)) {
            glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_INTENSITY);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_NONE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
    }

    const GLsizei w = static_cast<GLsizei>(info.width);
    const GLsizei h = static_cast<GLsizei>(info.height);
    if (multisample) {
        glTexImage2DMultisample(target, samples, static_cast<GLenum>(internal_format), w, h,
                                GL_FALSE);
    } else {
        {
            const TightRowUnpacking tight_rows;
            glTexImage2D(GL_TEXTURE_2D, 0, internal_format, w, h, 0, pixel_format, pixel_type,
                         info.imageData);
        }
        if (settings.mipmap && info.imageData == nullptr && !is_depth_format(internal_format)) {
            reserve_mipmaps(w, h, pixel_format, pixel_type);
        } else {
            settings.build_mipmaps(GL_TEXTURE_2D);
        }
    }

    if (info.imageData != nullptr) {
        std::free(info.imageData);
        info.imageData = nullptr;
    }
    return true;
}

void Texture::build_mipmaps(GLenum target, bool use_mipmap, const std::string& vendor)
{
    if (!use_mipmap) {
        glTexParameteri(target, GL_GENERATE_MIPMAP, GL_FALSE);
    } else if (vendor.find("ati ") != std::string::npos) {
        // The parameter only regenerates the chain on later changes of level 0, so the chain
        // of the level just uploaded is built at once as well.
        glTexParameteri(target, GL_GENERATE_MIPMAP, GL_TRUE);
        glGenerateMipmapEXT(target);
    } else {
        glGenerateMipmapEXT(target);
    }
}

// A render target has no pixels yet, so its chain needs storage only: downsampling the
// undefined level 0 would cost a pass over every level (and, on a software renderer, building
// that pass's code) to produce contents that are just as undefined. The levels are defined one
// by one, down to 1 x 1, so the texture is complete for its mipmap filter, and its owner
// rebuilds the chain from what it draws (FBO::pop). The vendor parameter is set as for an
// uploaded picture.
void Texture::reserve_mipmaps(GLsizei width, GLsizei height, GLenum pixel_format, GLenum pixel_type)
{
    for (GLint level = 1; width > 1 || height > 1; ++level) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        glTexImage2D(GL_TEXTURE_2D, level, settings.internal_format, width, height, 0, pixel_format,
                     pixel_type, nullptr);
    }
    if (vendor_lower_case().find("ati ") != std::string::npos) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    }
}

std::string Texture::vendor_lower_case()
{
    const GLubyte* vendor = glGetString(GL_VENDOR);
    return lower(vendor != nullptr ? reinterpret_cast<const char*>(vendor) : "");
}

bool Texture::create_empty(unsigned int width, unsigned int height, bool use_mipmap, bool repeat,
                           GLint format, int sample_count)
{
    samples = sample_count;
    return create_empty(width, height, use_mipmap, repeat, format);
}

bool Texture::create_empty(unsigned int width, unsigned int height, bool use_mipmap, bool repeat,
                           GLint format)
{
    settings.wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    settings.mipmap = use_mipmap;
    settings.internal_format = format;
    settings.min_filter = GL_LINEAR;
    settings.mag_filter = GL_LINEAR;
    info.format = GL_RGBA;
    info.bpp = 32;
    info.width = width;
    info.height = height;
    return create();
}

bool Texture::resize(unsigned int width, unsigned int height)
{
    if (info.imageData != nullptr) {
        FATAL_ERROR(SOURCE, "Attempted to resize a texture with current imageData");
    }
    if (settings.id == 0) FATAL_ERROR(SOURCE, "Attempted to resize a texture that is not initialized!");
    settings.delete_texture();
    info.width = width;
    info.height = height;
    return create();
}

void Texture::bind(int unit) const
{
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    glBindTexture(samples > 0 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D, settings.id);
}

void Texture::unbind(int unit)
{
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
}

void Texture::draw(float x, float y, float w, float h)
{
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_CUBE_MAP);
    glDisable(GL_LIGHTING);
    bind(0);
    const UnitView view(UnitView::MODE_AS_BEFORE);
    textured_quad({x, y, w, h}, {0.0f, 0.0f, 1.0f, 1.0f});
}

void Texture::draw_centered(float w, float screen_aspect)
{
    float h = static_cast<float>(w / (get_aspect() / screen_aspect));
    draw((1.0f - w) / 2.0f, (1.0f - h) / 2.0f, w, h);
}

void Texture::draw_keep_aspect(float x, float y, float w, float screen_aspect)
{
    draw(x, y, w, static_cast<float>(w / (get_aspect() / screen_aspect)));
}

void Texture::draw_aligned(float x, float y, float h, float screen_aspect, bool from_left)
{
    float w = static_cast<float>(get_aspect() * h / screen_aspect);
    draw(from_left ? x : 1.0f - x - w, y, w, h);
}

unsigned char* Texture::read_pixels()
{
    unsigned int bytespp = info.bpp / 8;
    if (bytespp != 4) FATAL_ERROR(SOURCE, assert_text("4 == bytespp"));
    size_t size = static_cast<size_t>(info.width) * info.height * 4;
    unsigned char* tempdata = static_cast<unsigned char*>(std::malloc(size > 0 ? size : 1));
    if (tempdata == nullptr) FATAL_ERROR(SOURCE, assert_text("tempdata"));
    bind(0);
    GLint pack_alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack_alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, info.format, GL_UNSIGNED_BYTE, tempdata);
    glPixelStorei(GL_PACK_ALIGNMENT, pack_alignment);
    return tempdata;
}

double Texture::get_aspect() const
{
    if (info.width == 0 || info.height == 0) FATAL_ERROR(SOURCE, "Invalid texture!");
    return static_cast<double>(info.width) / static_cast<double>(info.height);
}

unsigned int Texture::max_image_side()
{
    if (g_max_image_side != 0) return g_max_image_side;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<unsigned int>(side) : FALLBACK_MAX_IMAGE_SIDE;
}

void Texture::set_max_image_side(unsigned int side) { g_max_image_side = side; }
