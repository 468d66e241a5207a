#include "support/show_fixture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderprogram.h"

std::string track_file_bytes(const std::vector<std::tuple<int, float, int>>& keys)
{
    std::string bytes;
    auto put = [&bytes](const void* data, std::size_t size) { bytes.append(static_cast<const char*>(data), size); };
    std::uint32_t count = static_cast<std::uint32_t>(keys.size());
    put(&count, 4);
    for (const auto& key : keys) {
        std::int32_t row = std::get<0>(key);
        float value = std::get<1>(key);
        unsigned char shape = static_cast<unsigned char>(std::get<2>(key));
        put(&row, 4);
        put(&value, 4);
        put(&shape, 1);
    }
    return bytes;
}

ShowFolder::ShowFolder()
{
    std::string build_data = std::string(PELLORVANE_BINARY_DIR) + "/data/";
    dir.write("data/sync_tracker/.keep", "");
    for (const char* part : {"common", "effects"}) {
        EXPECT_EQ(symlink((build_data + part).c_str(), dir.file(std::string("data/") + part).c_str()), 0);
    }
    char buffer[4096];
    previous = getcwd(buffer, sizeof buffer) ? buffer : ".";
    EXPECT_EQ(chdir(dir.path().c_str()), 0);
}

ShowFolder::~ShowFolder()
{
    (void)!chdir(previous.c_str());
}

void ShowFolder::write_track(const std::string& name, const std::vector<std::tuple<int, float, int>>& keys) const
{
    dir.write("data/sync_tracker/_" + name + ".track", track_file_bytes(keys));
}

void ShowFolder::write_constant(const std::string& name, float value) const
{
    write_track(name, {std::make_tuple(0, value, 0)});
}

std::string ShowFolder::write_music(const TestSignal& signal) const
{
    dir.write("music.ogg", encode_ogg(signal));
    return dir.file("music.ogg");
}

void ShowFolder::write_file(const std::string& relative, const std::string& bytes) const
{
    dir.write(relative, bytes);
}

ColourScene::ColourScene(float r_, float g_, float b_, float half_side_, bool additive_)
    : r(r_), g(g_), b(b_), half_side(half_side_), additive(additive_)
{
}

void ColourScene::init()
{
    gl_caps.depth_test = false;
    gl_caps.blend = additive;
}

void ColourScene::render()
{
    ++renders;
    if (additive) glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(r, g, b, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(-half_side, -half_side);
    glVertex2f(half_side, -half_side);
    glVertex2f(half_side, half_side);
    glVertex2f(-half_side, half_side);
    glEnd();
}

ArithmeticPass::ArithmeticPass(const std::string& effect_name, const std::string& factor, const std::string& offset)
{
    name = effect_name;
    add_param("Amount", 0.0f);
    std::string vertex = "void main()\n{\n    gl_TexCoord[0] = gl_MultiTexCoord0;\n    gl_FrontColor = gl_Color;\n"
                         "    gl_Position = ftransform();\n}\n";
    std::string fragment = "uniform sampler2D image;\nuniform float amount;\nvoid main()\n{\n"
                           "    vec4 c = texture2D(image, gl_TexCoord[0].st);\n"
                           "    gl_FragColor = vec4(c.rgb * " + factor + " + " + offset + " + amount, 1.0) * gl_Color;\n}\n";
    program = new ShaderProgram(vertex, fragment, false);
}

ArithmeticPass::~ArithmeticPass()
{
    delete program;
}

void ArithmeticPass::prepare(int, int, float, FBO* source)
{
    ++prepares;
    last_source = source;
}

void ArithmeticPass::set_uniforms(int, int, float)
{
    program->bind();
    program->set_uniform_1f("amount", get_param(0));
}

std::vector<unsigned char> fbo_pixel(FBO* fbo, int x, int y)
{
    std::vector<unsigned char> rgba(4);
    fbo->push(false);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    fbo->pop();
    return rgba;
}

std::vector<unsigned char> window_pixel(int x, int y)
{
    std::vector<unsigned char> rgba(4);
    GLint previous = 0;
    glGetIntegerv(GL_READ_BUFFER, &previous);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glReadBuffer(static_cast<GLenum>(previous));
    return rgba;
}
