#include "util/shaderprogram/shaderbank.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/data/datafile.h"

namespace {

// The bank reads its files from data/ in disk mode, relative to the source tree.
class ShaderBankTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        ASSERT_EQ(chdir(PELLORVANE_SOURCE_DIR), 0);
        DataFile::set_mode(DATAFILE_MODE_DISK);
        bank = new ShaderBank();
    }
    void TearDown() override
    {
        delete bank;
        ShaderProgram::unbind();
        for (GLuint texture : textures) glDeleteTextures(1, &texture);
        GlTest::TearDown();
    }

    // A new texture bound to target on unit 0, filtered both ways with filter; the fixture
    // deletes it.
    GLuint new_texture(GLenum target, GLenum filter)
    {
        GLuint texture = 0;
        glGenTextures(1, &texture);
        textures.push_back(texture);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(target, texture);
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(filter));
        glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filter));
        return texture;
    }

    // An RGBA texture of bytes on unit 0, row 0 at the bottom.
    GLuint make_texture(int width, int height, const std::vector<unsigned char>& rgba, GLenum filter)
    {
        const GLuint texture = new_texture(GL_TEXTURE_2D, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return texture;
    }

    // A unit-square quad drawn over a viewport of the given size at the window's corner, with
    // normal (0, 0, 1) and texture coordinates 0..1.
    static void draw_quad(int width, int height, float z = 0.0f)
    {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glNormal3f(0, 0, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0); glVertex3f(-1, -1, z);
        glTexCoord2f(1, 0); glVertex3f(1, -1, z);
        glTexCoord2f(1, 1); glVertex3f(1, 1, z);
        glTexCoord2f(0, 1); glVertex3f(-1, 1, z);
        glEnd();
    }

    static void set_material(GLenum what, float r, float g, float b, float a)
    {
        const float values[4] = {r, g, b, a};
        glMaterialfv(GL_FRONT_AND_BACK, what, values);
    }

    ShaderBank* bank = nullptr;
    std::vector<GLuint> textures;
};

} // namespace

TEST_F(ShaderBankTest, EverySlotBuildsAndLinksFromTheDataFolder)
{
    for (int slot = 0; slot < ShaderBank::SLOT_COUNT; ++slot) {
        ShaderProgram* program = bank->get_shader(slot);
        if (slot == SHADER_SLOT_EMPTY) {
            EXPECT_EQ(program, nullptr);
            continue;
        }
        ASSERT_NE(program, nullptr) << slot;
        if (slot == SHADER_SLOT_FIXED_FUNCTION) {
            EXPECT_EQ(program->get_program(), 0u);
            continue;
        }
        GLint linked = 0;
        glGetProgramiv(program->get_program(), GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, 1) << "slot " << slot;
    }
    // The last slot is the fixed-function pipeline.
    bank->bind(SHADER_SLOT_PLAIN_TEXTURE);
    bank->bind(SHADER_SLOT_FIXED_FUNCTION);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

// Every file of the bank is written for GLSL 1.20 (OpenGL 2.1) and needs no extension that a
// 2.1 driver may lack; that the files compile and link is checked above.
TEST(ShaderBankFiles, EveryFileDeclaresAtMostGlsl120AndRequiresNoExtension)
{
    for (int slot = 0; slot < ShaderBank::SLOT_COUNT; ++slot) {
        for (const char* name : {ShaderBank::vertex_file(slot), ShaderBank::fragment_file(slot)}) {
            if (name == nullptr || name[0] == '\0') continue;
            const std::string text =
                read_file_bytes(std::string(PELLORVANE_SOURCE_DIR) + "/data/common/shaders/" + name);
            ASSERT_FALSE(text.empty()) << name;
            const size_t directive = text.find("#version");
            ASSERT_NE(directive, std::string::npos) << name;
            EXPECT_LE(std::atoi(text.c_str() + directive + 8), 120) << name;
            for (size_t at = text.find("#extension"); at != std::string::npos; at = text.find("#extension", at + 1)) {
                const std::string line = text.substr(at, text.find('\n', at) - at);
                EXPECT_EQ(line.find("require"), std::string::npos) << name << ": " << line;
            }
        }
    }
}

TEST(ShaderBankAccess, SlotsOutsideTheTableAndTheEmptySlotAreReported)
{
    struct Case {
        bool bind;
        int slot;
        const char* message;
    };
    const Case cases[] = {
        {false, -1, "Shader bank slot -1 is out of range 0..36"},
        {false, 37, "Shader bank slot 37 is out of range 0..36"},
        {true, SHADER_SLOT_EMPTY, "Shader bank slot 8 holds no program"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_gl_child([&] {
            if (chdir(PELLORVANE_SOURCE_DIR) != 0) _exit(3);
            ShaderBank bank;
            if (c.bind) bank.bind(c.slot);
            else bank.get_shader(c.slot);
        });
        EXPECT_EQ(result.exit_code, 1);
        const std::string tail = std::string("\n\n") + c.message + "\n";
        ASSERT_GE(result.err.size(), tail.size());
        EXPECT_EQ(result.err.substr(result.err.size() - tail.size()), tail) << result.err;
        EXPECT_EQ(result.err.rfind("Error in file src\\util\\shaderprogram\\shaderbank:", 0), 0u);
    }
}

TEST_F(ShaderBankTest, PlainTextureSlotPassesTextureTimesColourWithAlpha)
{
    make_texture(2, 2, {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 64, 255, 255, 255, 0}, GL_NEAREST);
    bank->bind(SHADER_SLOT_PLAIN_TEXTURE);
    glColor4f(1.0f, 0.5f, 1.0f, 0.5f);
    draw_quad(4, 4);
    const std::vector<unsigned char> rgba = read_rgba(0, 0, 4, 4);
    auto at = [&](int x, int y) {
        return std::vector<unsigned char>(rgba.begin() + (y * 4 + x) * 4, rgba.begin() + (y * 4 + x) * 4 + 4);
    };
    const std::vector<unsigned char> expected[4] = {
        {255, 0, 0, 128}, {0, 128, 0, 64}, {0, 0, 255, 32}, {255, 128, 255, 0}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const std::vector<unsigned char> got = at(x, y);
            const std::vector<unsigned char>& want = expected[(y / 2) * 2 + x / 2];
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[c], 1) << x << "," << y << " channel " << c;
        }
    }
}

TEST_F(ShaderBankTest, PixelationSlotTurnsAGradientIntoFlatBlocks)
{
    std::vector<unsigned char> gradient;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            gradient.insert(gradient.end(), {static_cast<unsigned char>(x * 64), static_cast<unsigned char>(y * 64), 100, 255});
        }
    }
    make_texture(4, 4, gradient, GL_LINEAR);
    bank->bind(SHADER_SLOT_PIXELATE);
    bank->get_shader(SHADER_SLOT_PIXELATE)->set_uniform_2f("blocks", 2.0f, 2.0f);
    glColor4f(1, 1, 1, 1);
    draw_quad(8, 8);
    const std::vector<unsigned char> rgba = read_rgba(0, 0, 8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const unsigned char* p = &rgba[(y * 8 + x) * 4];
            // Each block shows the mean of its 2 x 2 texels: 32 or 160 per axis.
            EXPECT_NEAR(p[0], x < 4 ? 32 : 160, 1) << x << "," << y;
            EXPECT_NEAR(p[1], y < 4 ? 32 : 160, 1) << x << "," << y;
            EXPECT_NEAR(p[2], 100, 1);
        }
    }
}

TEST_F(ShaderBankTest, BlurSlotSpreadsEdgesAndKeepsFlatColour)
{
    // Left half white, right half black, 32 x 32.
    std::vector<unsigned char> edge;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const unsigned char v = x < 16 ? 255 : 0;
            edge.insert(edge.end(), {v, v, v, 255});
        }
    }
    make_texture(32, 32, edge, GL_LINEAR);
    bank->bind(SHADER_SLOT_BLUR);
    glColor4f(1.0f, 0.5f, 0.25f, 1.0f);
    draw_quad(32, 32);
    const std::vector<unsigned char> rgba = read_rgba(0, 16, 32, 1);
    EXPECT_NEAR(rgba[2 * 4 + 0], 255, 1);  // far from the edge: the flat colour times the tint
    EXPECT_NEAR(rgba[2 * 4 + 1], 128, 1);
    EXPECT_NEAR(rgba[2 * 4 + 2], 64, 1);
    EXPECT_NEAR(rgba[29 * 4 + 0], 0, 1);
    const int just_left = rgba[14 * 4 + 0];
    const int just_right = rgba[17 * 4 + 0];
    EXPECT_GT(just_left, 150); // the edge is softened on both sides
    EXPECT_LT(just_left, 250);
    EXPECT_GT(just_right, 5);
    EXPECT_LT(just_right, 100);
    for (int x = 1; x < 32; ++x) EXPECT_LE(rgba[x * 4], rgba[(x - 1) * 4] + 1) << x; // monotonic
}

TEST_F(ShaderBankTest, TunnelSlotLightsTheVertexColourByLightZero)
{
    const float direction[4] = {0.0f, 0.0f, 1.0f, 0.0f}; // from +z, in eye space
    const float ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    const float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    bank->bind(SHADER_SLOT_SINGLE_DIFFUSE_VERTEX_COLOUR);
    glColor4f(0.5f, 0.25f, 1.0f, 1.0f);
    draw_quad(4, 4);
    std::vector<unsigned char> facing = pixel(1, 1);
    EXPECT_NEAR(facing[0], 140, 1); // 0.5 x 1.1
    EXPECT_NEAR(facing[1], 70, 1);  // 0.25 x 1.1
    EXPECT_EQ(facing[2], 255);

    glNormal3f(0.0f, std::sqrt(0.75f), 0.5f); // 60 degrees off the light: 0.1 + 0.5
    glViewport(0, 0, 4, 4);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1); glVertex2f(1, -1); glVertex2f(1, 1); glVertex2f(-1, 1);
    glEnd();
    std::vector<unsigned char> slanted = pixel(1, 1);
    EXPECT_NEAR(slanted[0], 77, 1); // 0.5 x 0.6
    EXPECT_NEAR(slanted[2], 153, 1);
}

TEST_F(ShaderBankTest, RendererSlotsLightTheFrontMaterial)
{
    const float light_position[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const float global_ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, light_position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global_ambient);
    set_material(GL_AMBIENT, 0.2f, 0.0f, 0.0f, 1.0f);
    set_material(GL_DIFFUSE, 0.0f, 0.5f, 0.0f, 0.75f);
    set_material(GL_SPECULAR, 0.0f, 0.0f, 0.0f, 1.0f);
    set_material(GL_EMISSION, 0.0f, 0.0f, 0.25f, 1.0f);
    make_texture(1, 1, {128, 255, 255, 255}, GL_NEAREST);
    glColor4f(1, 1, 1, 1);

    struct Case {
        int slot;
        int num_lights;
        std::vector<int> rgba;
    };
    // Scene colour: emission + ambient x global ambient = (0.1, 0, 0.25); light 0 adds the
    // diffuse (0, 0.5, 0) when counted; textured slots modulate by (0.5, 1, 1).
    const Case cases[] = {
        {SHADER_SLOT_MULTI_MATERIAL, 0, {26, 0, 64, 191}},
        {SHADER_SLOT_MULTI_MATERIAL, 1, {26, 128, 64, 191}},
        {SHADER_SLOT_MULTI_MATERIAL_TEXTURED, 1, {13, 128, 64, 191}},
        {SHADER_SLOT_SHADOW_AMBIENT, 0, {26, 0, 64, 191}},
        {SHADER_SLOT_SHADOW_AMBIENT_TEXTURED, 0, {13, 0, 64, 191}},
        {SHADER_SLOT_UNLIT_MATERIAL, 0, {0, 128, 64, 191}},  // no light: diffuse + emission
        {SHADER_SLOT_UNLIT_MATERIAL_TEXTURED, 0, {0, 128, 64, 191}},
    };
    for (const Case& c : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        bank->bind(c.slot);
        bank->get_shader(c.slot)->set_uniform_1i("num_lights", c.num_lights);
        draw_quad(4, 4);
        const std::vector<unsigned char> got = pixel(1, 1);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], c.rgba[i], 1) << "slot " << c.slot << " channel " << i;
    }
}

TEST_F(ShaderBankTest, ShadowLightingSlotDarkensWhatTheCubeHides)
{
    // A depth cube with every face at the far plane except -Z, which is at the near plane:
    // fragments whose light vector points mainly along -Z are hidden.
    new_texture(GL_TEXTURE_CUBE_MAP, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    const std::vector<float> far_plane(16, 1.0f), near_plane(16, 0.0f);
    for (int face = 0; face < 6; ++face) {
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + face;
        const bool hidden = target == GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
        glTexImage2D(target, 0, GL_DEPTH_COMPONENT24, 4, 4, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                     hidden ? near_plane.data() : far_plane.data());
    }
    glEnable(GL_TEXTURE_CUBE_MAP);

    const float at_eye[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, at_eye);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, 0.0f);
    set_material(GL_DIFFUSE, 1.0f, 1.0f, 1.0f, 1.0f);
    set_material(GL_AMBIENT, 0.0f, 0.0f, 0.0f, 1.0f);
    set_material(GL_SPECULAR, 0.0f, 0.0f, 0.0f, 1.0f);
    set_material(GL_EMISSION, 0.0f, 0.0f, 0.0f, 1.0f);

    // Camera and light both at the origin; the face projection of a light.
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float near = 0.01f, far = 20.0f;
    const float projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, (far + near) / (near - far), -1,
                                  0, 0, 2 * far * near / (near - far), 0};
    ShaderProgram* program = bank->get_shader(SHADER_SLOT_SHADOW_CUBE_LIGHTING);
    bank->bind(SHADER_SLOT_SHADOW_CUBE_LIGHTING);
    program->set_uniform_1i("shadow", 0);
    program->set_uniform_mat4("camera_view_matrix_inv", false, identity, 1);
    program->set_uniform_mat4("light_view_matrix", false, identity, 1);
    program->set_uniform_mat4("light_projection_matrix", false, projection, 1);
    draw_quad(16, 16, -0.5f); // eye-space x, y in -1..1 at z = -0.5
    glDisable(GL_TEXTURE_CUBE_MAP);

    const std::vector<unsigned char> centre = pixel(8, 8);    // along -Z: hidden
    const std::vector<unsigned char> corner = pixel(0, 15);   // along -X / +Y: lit
    EXPECT_LT(centre[1], 5);
    EXPECT_GT(corner[1], 50);
}

TEST(ShaderBankPacked, BuildsFromThePackedDataFileAlone)
{
    TempDir dir;
    const std::string packed = dir.file("data.qxv");
    ChildResult write = run_in_gl_child([&] {
        if (chdir(PELLORVANE_SOURCE_DIR) != 0) _exit(3);
        DataFile::set_mode(DATAFILE_MODE_WRITE);
        { ShaderBank bank; }
        DataFile::write(packed.c_str());
    });
    ASSERT_EQ(write.exit_code, 0) << write.err;

    // In a folder without data/: every source must come out of the packed file.
    ChildResult read = run_in_gl_child([&] {
        if (chdir(dir.path().c_str()) != 0) _exit(3);
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        ShaderBank bank;
        for (int slot = 0; slot < SHADER_SLOT_FIXED_FUNCTION; ++slot) {
            if (slot != SHADER_SLOT_EMPTY && bank.get_shader(slot)->get_program() == 0) _exit(10 + slot);
        }
        std::printf("%zu", DataFile::entries.size());
        std::fflush(stdout);
    });
    EXPECT_EQ(read.exit_code, 0) << read.err;
    EXPECT_EQ(read.out, "60"); // every shader file once, shared ones included only once
}
