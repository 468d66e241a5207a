// An off-screen render target: one EXT framebuffer object with up to three colour textures
// and a depth renderbuffer or depth texture, all owned. Pushing binds it for drawing (saving
// the framebuffer binding, draw and read buffers and viewport); popping restores them and
// regenerates the mipmaps of the colour textures made with them.
#pragma once

#include <GL/glew.h>
#include <vector>

class Texture;

enum FboType {
    FBO_TYPE_COLOR_MIPMAP = 1,  // depth renderbuffer, one RGBA8 texture with mipmaps
    FBO_TYPE_FLOAT_MRT = 2,     // depth renderbuffer, three RGBA32F textures with mipmaps
    FBO_TYPE_FLOAT = 3,         // depth renderbuffer, one RGBA32F texture with mipmaps
    FBO_TYPE_DEPTH_TEXTURE = 4, // 32-bit depth texture, one RGBA8 texture with mipmaps
    FBO_TYPE_COLOR = 5,         // depth renderbuffer, one RGBA8 texture without mipmaps
};

class FBO {
public:
    // Leaves the default framebuffer bound. Sizes below 1 and unknown types are fatal.
    FBO(int width, int height, int type);
    ~FBO();

    FBO(const FBO&) = delete;
    FBO& operator=(const FBO&) = delete;

    void push(bool clear);
    // Pop without a matching push is fatal.
    void pop();
    // Colour texture 0 over the whole screen.
    void draw();

    Texture* get_texture(unsigned int i) const;
    void bind_texture(unsigned int i, int unit) const;
    // Without non-power-of-two texture support the size becomes a square power of two.
    void resize(int width, int height);
    void generate_mipmaps();

    void add_depth_buffer();
    void add_color_texture(GLint internal_format, bool mipmap);
    void add_color_texture(GLint internal_format);
    void add_depth_texture();

    int get_width() const { return width; }
    int get_height() const { return height; }
    GLuint get_id() const { return id; }

private:
    int width;
    int height;
    int samples = 0;
    int max_draw_buffers = 0;
    GLuint id = 0;
    GLuint depth_buffer = 0;
    Texture* depth_texture = nullptr;
    std::vector<Texture*> color_textures;
    std::vector<bool> color_mipmaps; // whether each colour texture was made with mipmaps
    int fbo_pushed = -1;
    GLint saved_draw_buffer = 0;
    GLint saved_draw_buffers[3] = {0, 0, 0}; // GL_DRAW_BUFFER0..2, for an FBO pushed around this one
    GLint saved_read_buffer = 0;
    GLint saved_viewport[4] = {0, 0, 0, 0};

    void check_status() const;
};
