// Shared pieces of the renderer's GL tests: probe programs that paint a known colour, solid
// textures, a clean GL state, and the fatal-report check.
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace objects3d_fixture {

const char* const OBJECTS_SOURCE = "src\\util\\objects3d\\objects3d";
const char* const GEOM_SOURCE = "src\\util\\objects3d\\geomobject";
const char* const MIRROR_SOURCE = "src\\util\\objects3d\\mirror";

const char* const PROBE_VERTEX =
    "#version 120\n"
    "void main() { gl_TexCoord[0] = gl_MultiTexCoord0; gl_Position = ftransform(); }\n";

// Paints one colour.
inline std::unique_ptr<ShaderProgram> solid_probe(float r, float g, float b)
{
    const std::string fragment = "#version 120\nvoid main() { gl_FragColor = vec4(" +
                                 std::to_string(r) + ", " + std::to_string(g) + ", " +
                                 std::to_string(b) + ", 1.0); }\n";
    return std::unique_ptr<ShaderProgram>(new ShaderProgram(PROBE_VERTEX, fragment, false));
}

// Red, with green = num_lights / 4.
inline std::unique_ptr<ShaderProgram> lights_probe()
{
    return std::unique_ptr<ShaderProgram>(new ShaderProgram(
        PROBE_VERTEX,
        "#version 120\nuniform int num_lights;\n"
        "void main() { gl_FragColor = vec4(1.0, float(num_lights) * 0.25, 0.0, 1.0); }\n",
        false));
}

// The texture on unit 0 at the texture coordinate.
inline std::unique_ptr<ShaderProgram> texture_probe()
{
    return std::unique_ptr<ShaderProgram>(new ShaderProgram(
        PROBE_VERTEX,
        "#version 120\nuniform sampler2D picture;\n"
        "void main() { gl_FragColor = texture2D(picture, gl_TexCoord[0].st); }\n",
        false));
}

// A 4 x 4 texture of one colour.
inline std::unique_ptr<Texture> solid_texture(unsigned char r, unsigned char g, unsigned char b)
{
    std::unique_ptr<Texture> texture(new Texture());
    EXPECT_TRUE(texture->create_empty(4, 4, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_RGBA8));
    std::vector<unsigned char> pixels;
    for (int i = 0; i < 16; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
    texture->bind(0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    Texture::unbind(0);
    return texture;
}

// The fixed-function defaults the renderer's callers start from, whatever ran before.
inline void reset_gl_state()
{
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glUseProgramObjectARB(0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_CUBE_MAP);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

inline bool ends_with(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Exit code 1 with the caption naming the source and line and the message at the end.
inline void expect_fatal(const ChildResult& result, const std::string& source, int line,
                         const std::string& message)
{
    EXPECT_EQ(result.exit_code, 1) << result.err;
    std::string caption = "Error in file " + source + ":";
    if (line > 0) caption += std::to_string(line) + "\n";
    EXPECT_EQ(result.err.rfind(caption, 0), 0u) << result.err;
    EXPECT_TRUE(ends_with(result.err, "\n\n" + message + "\n")) << result.err;
}

} // namespace objects3d_fixture
