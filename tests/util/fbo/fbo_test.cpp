#include "util/fbo/fbo.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "util/texture/texture.h"

namespace {

GLint get_integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

std::vector<GLint> viewport()
{
    std::vector<GLint> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

GLint attachment(GLenum point, GLenum what)
{
    GLint value = 0;
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, point, what, &value);
    return value;
}

GLint level_parameter(GLuint texture, int level, GLenum what)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    return value;
}

bool ends_with(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

class FboTest : public GlTest {};

} // namespace

TEST_F(FboTest, EveryTypeBuildsItsAttachmentsAndLeavesTheWindowBound)
{
    struct Case {
        int type;
        unsigned int colour_count;
        GLint internal_format;
        bool mipmapped;
        GLint depth_kind;
    };
    const Case cases[] = {
        {FBO_TYPE_COLOR_MIPMAP, 1, GL_RGBA8, true, GL_RENDERBUFFER_EXT},
        {FBO_TYPE_FLOAT_MRT, 3, GL_RGBA32F, true, GL_RENDERBUFFER_EXT},
        {FBO_TYPE_FLOAT, 1, GL_RGBA32F, true, GL_RENDERBUFFER_EXT},
        {FBO_TYPE_DEPTH_TEXTURE, 1, GL_RGBA8, true, GL_TEXTURE},
        {FBO_TYPE_COLOR, 1, GL_RGBA8, false, GL_RENDERBUFFER_EXT},
    };
    for (const Case& c : cases) {
        FBO fbo(64, 32, c.type);
        EXPECT_EQ(get_integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
        EXPECT_EQ(fbo.get_width(), 64);
        EXPECT_EQ(fbo.get_height(), 32);
        EXPECT_EQ(fbo.get_texture(c.colour_count), nullptr);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo.get_id());
        EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
        EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT), c.depth_kind);
        for (unsigned int i = 0; i < c.colour_count; ++i) {
            Texture* texture = fbo.get_texture(i);
            ASSERT_NE(texture, nullptr);
            EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_EXT + i, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
                      static_cast<GLint>(texture->get_id()));
            EXPECT_EQ(level_parameter(texture->get_id(), 0, GL_TEXTURE_INTERNAL_FORMAT), c.internal_format);
            GLint wrap = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
            EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
            GLint min_filter = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
            EXPECT_EQ(min_filter, c.mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR) << c.type;
        }
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }
}

TEST_F(FboTest, NestedPushesAndPopsRestoreBindingBuffersAndViewport)
{
    FBO outer(64, 64, FBO_TYPE_COLOR_MIPMAP);
    FBO inner(32, 16, FBO_TYPE_FLOAT_MRT);
    glViewport(3, 4, 100, 50);
    const GLint window_draw = get_integer(GL_DRAW_BUFFER);
    const GLint window_read = get_integer(GL_READ_BUFFER);

    outer.push(false);
    EXPECT_EQ(get_integer(GL_FRAMEBUFFER_BINDING_EXT), static_cast<GLint>(outer.get_id()));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 64, 64}));
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0_EXT);

    inner.push(true);
    EXPECT_EQ(get_integer(GL_FRAMEBUFFER_BINDING_EXT), static_cast<GLint>(inner.get_id()));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 32, 16}));
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0_EXT);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER1), GL_COLOR_ATTACHMENT1_EXT);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER2), GL_COLOR_ATTACHMENT2_EXT);
    float clear_colour[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_colour);
    EXPECT_EQ(clear_colour[3], 0.0f); // cleared to transparent black, which stays the clear colour

    inner.pop();
    EXPECT_EQ(get_integer(GL_FRAMEBUFFER_BINDING_EXT), static_cast<GLint>(outer.get_id()));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 64, 64}));
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER), GL_COLOR_ATTACHMENT0_EXT);
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);

    outer.pop();
    EXPECT_EQ(get_integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
    EXPECT_EQ(viewport(), (std::vector<GLint>{3, 4, 100, 50}));
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER), window_draw);
    EXPECT_EQ(get_integer(GL_READ_BUFFER), window_read);
}

// A single-target FBO pushed and popped inside a three-target one leaves the outer FBO drawing
// into all three of its attachments.
TEST_F(FboTest, PoppingBackIntoAMultipleTargetFboRestoresAllItsDrawBuffers)
{
    FBO outer(8, 8, FBO_TYPE_FLOAT_MRT);
    FBO inner(8, 8, FBO_TYPE_COLOR_MIPMAP);
    outer.push(true);
    inner.push(true);
    inner.pop();
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0_EXT);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER1), GL_COLOR_ATTACHMENT1_EXT);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER2), GL_COLOR_ATTACHMENT2_EXT);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    outer.pop();

    for (unsigned int i = 0; i < 3; ++i) {
        std::vector<float> texels(8 * 8 * 4);
        outer.bind_texture(i, 0);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
        EXPECT_EQ(std::vector<float>(texels.begin(), texels.begin() + 4), (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}))
            << "attachment " << i;
    }
}

TEST_F(FboTest, PopRegeneratesMipmapsAndDrawCopiesTheColourTexture)
{
    FBO source(16, 16, FBO_TYPE_COLOR_MIPMAP);
    FBO target(8, 8, FBO_TYPE_COLOR);
    source.push(true);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    source.pop();
    std::vector<unsigned char> level1(8 * 8 * 4);
    source.bind_texture(0, 0);
    glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_UNSIGNED_BYTE, level1.data());
    EXPECT_EQ(std::vector<unsigned char>(level1.begin(), level1.begin() + 4), (std::vector<unsigned char>{0, 255, 0, 255}));

    target.push(true);
    glColor4f(1, 1, 1, 1);
    source.draw();
    const std::vector<unsigned char> corner = pixel(7, 7);
    target.pop();
    EXPECT_EQ(corner, (std::vector<unsigned char>{0, 255, 0, 255}));

    target.bind_texture(0, 4);
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE4);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(target.get_texture(0)->get_id()));
    glActiveTexture(GL_TEXTURE0);
}

// Every type made with mipmaps gets the lower levels of all its colour textures on pop; the
// type without them gets none, since nothing samples them.
TEST_F(FboTest, PopBuildsTheLowerLevelsOfEveryMipmappedColourTexture)
{
    struct Case {
        int type;
        bool mipmapped;
    };
    const Case cases[] = {
        {FBO_TYPE_COLOR_MIPMAP, true}, {FBO_TYPE_FLOAT_MRT, true}, {FBO_TYPE_FLOAT, true},
        {FBO_TYPE_DEPTH_TEXTURE, true}, {FBO_TYPE_COLOR, false},
    };
    for (const Case& c : cases) {
        FBO fbo(16, 16, c.type);
        fbo.push(true);
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        fbo.pop();
        for (unsigned int i = 0; fbo.get_texture(i) != nullptr; ++i) {
            const GLuint id = fbo.get_texture(i)->get_id();
            EXPECT_EQ(level_parameter(id, 1, GL_TEXTURE_WIDTH), c.mipmapped ? 8 : 0)
                << c.type << " texture " << i;
        }
        if (c.mipmapped) {
            std::vector<unsigned char> level1(8 * 8 * 4);
            fbo.bind_texture(0, 0);
            glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_UNSIGNED_BYTE, level1.data());
            EXPECT_EQ(std::vector<unsigned char>(level1.begin() + 4 * 27, level1.begin() + 4 * 28),
                      (std::vector<unsigned char>{0, 255, 0, 255}))
                << c.type;
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

// A caller may read a mipmapped target at its own size with a plain filter for a while and set
// its mipmap filter back afterwards, by hand: a later shrunken read still shows the picture of
// the latest pop, never the levels of an older one.
TEST_F(FboTest, AShrunkenReadShowsTheLatestPictureAfterTheFilterWasSetAside)
{
    const auto clear_to = [](FBO& fbo, float r, float g) {
        fbo.push(true);
        glClearColor(r, g, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        fbo.pop();
    };
    const auto set_min_filter = [](FBO& fbo, GLint filter) {
        glBindTexture(GL_TEXTURE_2D, fbo.get_texture(0)->get_id());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    };
    for (int type : {FBO_TYPE_COLOR_MIPMAP, FBO_TYPE_FLOAT}) {
        FBO picture(64, 64, type);
        FBO shrunken(8, 8, FBO_TYPE_COLOR);
        clear_to(picture, 0.0f, 1.0f);
        set_min_filter(picture, GL_LINEAR);
        clear_to(picture, 1.0f, 0.0f);
        set_min_filter(picture, GL_LINEAR_MIPMAP_LINEAR);

        shrunken.push(true);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        picture.draw();
        EXPECT_EQ(pixel(3, 3), (std::vector<unsigned char>{255, 0, 0, 255})) << "type " << type;
        shrunken.pop();
    }
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(FboTest, ResizeKeepsTheTextureObjectsAndReattachesThem)
{
    FBO fbo(64, 64, FBO_TYPE_DEPTH_TEXTURE);
    Texture* colour = fbo.get_texture(0);
    const GLuint old_id = colour->get_id();
    fbo.resize(64, 64); // the same size: nothing happens
    EXPECT_EQ(colour->get_id(), old_id);

    fbo.resize(48, 20);
    EXPECT_EQ(fbo.get_texture(0), colour);
    EXPECT_EQ(fbo.get_width(), 48);
    EXPECT_EQ(fbo.get_height(), 20);
    EXPECT_EQ(colour->get_width(), 48u);
    EXPECT_EQ(colour->get_height(), 20u);
    EXPECT_EQ(get_integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo.get_id());
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
              static_cast<GLint>(colour->get_id()));
    EXPECT_EQ(level_parameter(colour->get_id(), 0, GL_TEXTURE_WIDTH), 48);
    const GLint depth = attachment(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT);
    EXPECT_EQ(level_parameter(static_cast<GLuint>(depth), 0, GL_TEXTURE_HEIGHT), 20);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    fbo.push(true);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 48, 20}));
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(pixel(47, 19), (std::vector<unsigned char>{255, 0, 0, 255}));
    fbo.pop();
}

TEST(FboPowerOfTwo, WithoutNonPowerOfTwoTexturesResizeGoesToASquarePowerOfTwo)
{
    // The driver reads its extension override once per process, when it first starts: the
    // case runs in a newly started copy of the test program.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_texture_non_power_of_two", 1);
            open_gl_window(64, 64);
            if (GLEW_ARB_texture_non_power_of_two) std::_Exit(2);
            FBO fbo(512, 512, FBO_TYPE_COLOR);
            fbo.resize(1000, 600);
            std::fprintf(stderr, "%dx%d ", fbo.get_width(), fbo.get_height());
            fbo.resize(1280, 720);
            std::fprintf(stderr, "%dx%d ", fbo.get_width(), fbo.get_height());
            fbo.resize(512, 512);
            std::fprintf(stderr, "%dx%d ", fbo.get_width(), fbo.get_height());
            // The size is rounded before it is checked: only the width counts.
            fbo.resize(640, 0);
            std::fprintf(stderr, "%dx%d ", fbo.get_width(), fbo.get_height());
            fbo.resize(0, 480);
            std::fprintf(stderr, "%dx%d.", fbo.get_width(), fbo.get_height());
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "512x512 1024x1024 256x256 512x512 1x1\\.");
    GTEST_FLAG_SET(death_test_style, style);
}

TEST(FboFailures, MisuseIsReported)
{
    struct Case {
        std::function<void()> body;
        std::string message;
    };
    const Case cases[] = {
        {[] { FBO fbo(512, 512, 6); }, "Unrecognized FBO type"},
        {[] { FBO fbo(512, 512, 0); }, "Unrecognized FBO type"},
        {[] { FBO fbo(0, 512, FBO_TYPE_COLOR); }, "Invalid FBO size 0 x 512"},
        {[] { FBO fbo(8, 8, FBO_TYPE_COLOR); fbo.resize(8, -1); }, "Invalid FBO size 8 x -1"},
        {[] { FBO fbo(8, 8, FBO_TYPE_COLOR); fbo.pop(); }, "Failed assert fbo_pushed >= 0"},
        {[] { FBO fbo(8, 8, FBO_TYPE_COLOR); fbo.push(false); fbo.push(false); }, "Failed assert fbo_pushed < 0"},
        {[] { FBO fbo(8, 8, FBO_TYPE_COLOR); fbo.bind_texture(1, 0); }, "Invalid texture number"},
        {[] { FBO fbo(8, 8, FBO_TYPE_COLOR); fbo.add_depth_buffer(); }, "Depth buffer already present!"},
        {[] { FBO fbo(8, 8, FBO_TYPE_FLOAT_MRT); fbo.add_color_texture(GL_RGBA8); fbo.push(false); },
         "Can only draw to 3 buffers at a time here"},
        {[] { FBO fbo(8, 8, FBO_TYPE_DEPTH_TEXTURE); fbo.add_depth_texture(); },
         "Trying to add depth texture to an FBO that already has one!"},
    };
    // Each case opens a window and a GL context of its own, most of a second's work for the
    // software renderer and far more on a busy machine: one after the other, the ten came
    // close to the test's time limit there.
    std::vector<std::function<void()>> bodies;
    for (const Case& c : cases)
        bodies.push_back([&c] {
            open_gl_window(64, 64);
            c.body();
        });
    const std::vector<ChildResult> results = run_in_children(bodies);
    for (size_t i = 0; i < results.size(); ++i) {
        const ChildResult& result = results[i];
        EXPECT_EQ(result.exit_code, 1) << cases[i].message;
        EXPECT_EQ(result.err.rfind("Error in file src\\util\\fbo\\fbo:", 0), 0u) << result.err;
        EXPECT_TRUE(ends_with(result.err, "\n\n" + cases[i].message + "\n")) << result.err;
    }
}
