#include "util/fbo/fbo.h"

#include <sstream>
#include <string>

#include "util/error/fatal.h"
#include "util/texture/texture.h"

namespace {

const char* const SOURCE = "src\\util\\fbo\\fbo";
const int REQUIRED_DRAW_BUFFERS = 3;

void check_size(int width, int height)
{
    if (width >= 1 && height >= 1) return;
    std::ostringstream message;
    message << "Invalid FBO size " << width << " x " << height;
    FATAL_ERROR(SOURCE, message.str());
}

} // namespace

FBO::FBO(int width_, int height_, int type) : width(width_), height(height_)
{
    check_size(width, height);
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &max_draw_buffers);
    if (max_draw_buffers < REQUIRED_DRAW_BUFFERS) {
        std::ostringstream message;
        message << "GL_MAX_DRAW_BUFFERS is " << max_draw_buffers
                << ", which just ain't gonna cut it. You must have " << REQUIRED_DRAW_BUFFERS
                << " for this ride.";
        FATAL_ERROR(SOURCE, message.str());
    }
    glGenFramebuffersEXT(1, &id);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, id);
    switch (type) {
    case FBO_TYPE_COLOR_MIPMAP:
        add_depth_buffer();
        add_color_texture(GL_RGBA8);
        break;
    case FBO_TYPE_FLOAT_MRT:
        add_depth_buffer();
        add_color_texture(GL_RGBA32F);
        add_color_texture(GL_RGBA32F);
        add_color_texture(GL_RGBA32F);
        break;
    case FBO_TYPE_FLOAT:
        add_depth_buffer();
        add_color_texture(GL_RGBA32F);
        break;
    case FBO_TYPE_DEPTH_TEXTURE:
        add_depth_texture();
        add_color_texture(GL_RGBA8);
        break;
    case FBO_TYPE_COLOR:
        add_depth_buffer();
        add_color_texture(GL_RGBA8, false);
        break;
    default:
        FATAL_ERROR(SOURCE, "Unrecognized FBO type");
    }
    check_status();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    fbo_pushed = -1;
}

FBO::~FBO()
{
    for (Texture* texture : color_textures) delete texture;
    delete depth_texture;
    if (depth_buffer != 0) glDeleteRenderbuffersEXT(1, &depth_buffer);
    if (id != 0) glDeleteFramebuffersEXT(1, &id);
}

void FBO::add_depth_buffer()
{
    if (depth_buffer != 0) FATAL_ERROR(SOURCE, "Depth buffer already present!");
    glGenRenderbuffersEXT(1, &depth_buffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth_buffer);
    if (samples < 1) {
        glRenderbufferStorage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, width, height);
    } else {
        glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, samples, GL_DEPTH_COMPONENT,
                                            width, height);
    }
    glFramebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                              depth_buffer);
}

void FBO::add_color_texture(GLint internal_format, bool mipmap)
{
    const int i = static_cast<int>(color_textures.size());
    if (i >= max_draw_buffers) {
        std::ostringstream message;
        message << "Tried to add more than " << i
                << " color attachments, and GL_MAX_DRAW_BUFFERS is " << max_draw_buffers;
        FATAL_ERROR(SOURCE, message.str());
    }
    Texture* texture = new Texture();
    color_textures.push_back(texture);
    color_mipmaps.push_back(mipmap);
    const unsigned int w = static_cast<unsigned int>(width);
    const unsigned int h = static_cast<unsigned int>(height);
    if (samples >= 1) {
        texture->create_empty(w, h, mipmap, Texture::CLAMP_TO_EDGE, internal_format, samples);
    } else {
        texture->create_empty(w, h, mipmap, Texture::CLAMP_TO_EDGE, internal_format);
    }
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, static_cast<GLenum>(GL_COLOR_ATTACHMENT0_EXT + i),
                              samples >= 1 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D,
                              texture->get_id(), 0);
}

void FBO::add_color_texture(GLint internal_format)
{
    add_color_texture(internal_format, true);
}

void FBO::add_depth_texture()
{
    if (depth_texture != nullptr) {
        FATAL_ERROR(SOURCE, "Trying to add depth texture to an FBO that already has one!");
    }
    depth_texture = new Texture();
    const unsigned int w = static_cast<unsigned int>(width);
    const unsigned int h = static_cast<unsigned int>(height);
    if (samples >= 1) {
        depth_texture->create_empty(w, h, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_DEPTH_COMPONENT32,
                                    samples);
    } else {
        depth_texture->create_empty(w, h, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_DEPTH_COMPONENT32);
    }
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                              samples >= 1 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D,
                              depth_texture->get_id(), 0);
}

void FBO::check_status() const
{
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    const char* name = nullptr;
    switch (status) {
    case GL_FRAMEBUFFER_COMPLETE_EXT:
        return;
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT:
        name = "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT:
        name = "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT:
        name = "GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT:
        name = "GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT:
        name = "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT:
        name = "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT";
        break;
    case GL_FRAMEBUFFER_UNSUPPORTED_EXT:
        name = "GL_FRAMEBUFFER_UNSUPPORTED_EXT";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE:
        name = "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE";
        break;
    default: {
        std::ostringstream message;
        message << "FBO error: Unknown error " << status;
        FATAL_ERROR(SOURCE, message.str());
    }
    }
    FATAL_ERROR(SOURCE, std::string("FBO error: ") + name);
}

void FBO::push(bool clear)
{
    if (fbo_pushed >= 0) FATAL_ERROR(SOURCE, "Failed assert fbo_pushed < 0");
    GLint binding = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    fbo_pushed = binding;
    glGetIntegerv(GL_DRAW_BUFFER, &saved_draw_buffer);
    for (int i = 0; i < REQUIRED_DRAW_BUFFERS; ++i) glGetIntegerv(static_cast<GLenum>(GL_DRAW_BUFFER0 + i), &saved_draw_buffers[i]);
    glGetIntegerv(GL_READ_BUFFER, &saved_read_buffer);
    glGetIntegerv(GL_VIEWPORT, saved_viewport);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, id);
    const int n = static_cast<int>(color_textures.size());
    if (n > REQUIRED_DRAW_BUFFERS) {
        std::ostringstream message;
        message << "Can only draw to " << REQUIRED_DRAW_BUFFERS << " buffers at a time here";
        FATAL_ERROR(SOURCE, message.str());
    }
    static const GLenum buffers[REQUIRED_DRAW_BUFFERS] = {
        GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT, GL_COLOR_ATTACHMENT2_EXT};
    glDrawBuffers(n, buffers);
    glViewport(0, 0, width, height);
    if (clear) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT |
                GL_ACCUM_BUFFER_BIT);
    }
}

// A pop without a push would bind the "not pushed" marker as a framebuffer name.
void FBO::pop()
{
    if (fbo_pushed < 0) FATAL_ERROR(SOURCE, "Failed assert fbo_pushed >= 0");
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(fbo_pushed));
    glDrawBuffer(static_cast<GLenum>(saved_draw_buffer));
    // An FBO pushed around this one may draw into several attachments: give it all of them
    // back, not only the first.
    if (fbo_pushed != 0) {
        GLenum buffers[REQUIRED_DRAW_BUFFERS];
        for (int i = 0; i < REQUIRED_DRAW_BUFFERS; ++i) buffers[i] = static_cast<GLenum>(saved_draw_buffers[i]);
        glDrawBuffers(REQUIRED_DRAW_BUFFERS, buffers);
    }
    glReadBuffer(static_cast<GLenum>(saved_read_buffer));
    glViewport(saved_viewport[0], saved_viewport[1], saved_viewport[2], saved_viewport[3]);
    fbo_pushed = -1;
    generate_mipmaps();
}

void FBO::draw()
{
    color_textures[0]->draw(0.0f, 0.0f, 1.0f, 1.0f);
}

Texture* FBO::get_texture(unsigned int i) const
{
    if (i >= color_textures.size()) return nullptr;
    return color_textures[i];
}

void FBO::bind_texture(unsigned int i, int unit) const
{
    if (i >= color_textures.size()) FATAL_ERROR(SOURCE, "Invalid texture number");
    color_textures[i]->bind(unit);
}

// Only a texture made without mipmaps has no lower levels to rebuild. The filter a mipmapped
// texture has at the moment says nothing about later reads: a caller may sample it at its own
// size for a while and set its mipmap filter back by hand, and its levels must hold the
// picture of the latest pop then. Each texture is bound all the same, so the binding a caller
// finds afterwards does not depend on the type.
void FBO::generate_mipmaps()
{
    for (unsigned int i = 0; i < color_textures.size(); ++i) {
        bind_texture(i, 0);
        if (color_mipmaps[i]) glGenerateMipmapEXT(GL_TEXTURE_2D);
    }
}

void FBO::resize(int w, int h)
{
    if (!GLEW_ARB_texture_non_power_of_two) {
        int p = 2;
        while (p < w) p *= 2;
        w = h = p / 2;
    }
    check_size(w, h);
    if (w == width && h == height) return;

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, id);
    width = w;
    height = h;
    const GLenum target = samples >= 1 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;
    const unsigned int new_width = static_cast<unsigned int>(w);
    const unsigned int new_height = static_cast<unsigned int>(h);
    if (depth_buffer != 0) {
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                     GL_RENDERBUFFER_EXT, 0);
        glDeleteRenderbuffersEXT(1, &depth_buffer);
        depth_buffer = 0;
        add_depth_buffer();
    }
    if (depth_texture != nullptr) {
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, target, 0, 0);
        depth_texture->resize(new_width, new_height);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, target,
                                  depth_texture->get_id(), 0);
    }
    for (unsigned int i = 0; i < color_textures.size(); ++i) {
        const GLenum attachment = GL_COLOR_ATTACHMENT0_EXT + i;
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, attachment, target, 0, 0);
        color_textures[i]->resize(new_width, new_height);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, attachment, target,
                                  color_textures[i]->get_id(), 0);
    }
    check_status();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}
