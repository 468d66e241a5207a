#include "util/texture/texturecube.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/gl_queries.h"
#include "support/temp_dir.h"
#include "util/texture/image_fixtures.h"

namespace {

typedef std::array<int, 4> Rgba;

// A 32-bit PNG face: the top row in one colour, every other row in another.
std::string face_png(int width, int height, const Rgba& top, const Rgba& rest)
{
    fixtures::Picture p;
    p.width = width;
    p.height = height;
    p.colour_type = 6;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba& c = y == 0 ? top : rest;
            p.pixels.push_back({c[0], c[1], c[2], c[3]});
        }
    return fixtures::str(fixtures::png_file(p, false));
}

const char* const FACES[6] = {"negx", "posx", "negy", "posy", "negz", "posz"};
const GLenum TARGETS[6] = {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_X,
                           GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
                           GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_POSITIVE_Z};

// Face i's colours: its own top colour over a body colour.
Rgba top_colour(int i) { return {40 * i, 255 - 30 * i, 100 + 20 * i, 255}; }
Rgba body_colour(int i) { return {200 - 10 * i, 20 * i, 60, 255}; }

// Writes six faces into the folder; face `odd` (if any) gets the other size.
void write_faces(const TempDir& dir, int width, int height, int odd = -1, int odd_width = 0,
                 int odd_height = 0)
{
    for (int i = 0; i < 6; ++i) {
        const bool other = i == odd;
        dir.write(std::string(FACES[i]) + ".png",
                  face_png(other ? odd_width : width, other ? odd_height : height, top_colour(i),
                           body_colour(i)));
    }
}

bool load_faces(TextureCube& cube, const TempDir& dir)
{
    return cube.load(dir.file("negx.png"), dir.file("posx.png"), dir.file("negy.png"),
                     dir.file("posy.png"), dir.file("negz.png"), dir.file("posz.png"));
}

GLint cube_param(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, name, &value);
    return value;
}

} // namespace

class TextureCubeGl : public GlTest {};

TEST_F(TextureCubeGl, SixFacesInOrderTurnedUpsideDownWithMipmapsAndClampedEdges)
{
    TempDir dir;
    write_faces(dir, 8, 8);
    TextureCube cube;
    ASSERT_TRUE(load_faces(cube, dir));
    EXPECT_NE(cube.get_id(), 0u);
    EXPECT_EQ(cube.get_width(), 8u);
    cube.bind(0);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(cube.get_id()));
    EXPECT_EQ(cube_param(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(cube_param(GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(cube_param(GL_TEXTURE_WRAP_R), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(cube_param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(cube_param(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    GLfloat max_anisotropy = 0, anisotropy = 0;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy);
    glGetTexParameterfv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    EXPECT_EQ(anisotropy, max_anisotropy);

    for (int i = 0; i < 6; ++i) {
        GLint format = 0, last_level_width = 0;
        glGetTexLevelParameteriv(TARGETS[i], 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexLevelParameteriv(TARGETS[i], 3, GL_TEXTURE_WIDTH, &last_level_width);
        EXPECT_EQ(format, GL_RGBA8) << FACES[i];
        EXPECT_EQ(last_level_width, 1) << FACES[i]; // 8 -> 4 -> 2 -> 1
        std::vector<unsigned char> texels(8 * 8 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(TARGETS[i], 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        // The picture's top row is the face's row 0; the rows below follow it.
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(texels[c], top_colour(i)[c]) << FACES[i] << " row 0, channel " << c;
            EXPECT_EQ(texels[7 * 32 + c], body_colour(i)[c]) << FACES[i] << " row 7, channel " << c;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureCubeGl, BindAndUnbindLeaveTheirUnitActive)
{
    TempDir dir;
    write_faces(dir, 4, 4);
    TextureCube cube;
    ASSERT_TRUE(load_faces(cube, dir));
    cube.bind(3);
    EXPECT_EQ(gl_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(cube.get_id()));
    TextureCube::unbind(2);
    EXPECT_EQ(gl_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_CUBE_MAP), 0);
    glActiveTexture(GL_TEXTURE3);
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(cube.get_id()));
    TextureCube::unbind(3);
    glActiveTexture(GL_TEXTURE0);
}

TEST(TextureCubeFatal, FacesThatCannotMakeACubeEndWithTheReport)
{
    struct Case {
        const char* folder;
        std::function<void(const TempDir&)> write;
        const char* source;
        std::string message;
    };
    const Case cases[] = {
        {"small_face", [](const TempDir& d) { write_faces(d, 256, 256, 3, 128, 128); },
         "texturecube", "Failed assert width == tex_array[i].get_width()"},
        {"short_face", [](const TempDir& d) { write_faces(d, 16, 16, 5, 16, 8); }, "texturecube",
         "Failed assert height == tex_array[i].get_height()"},
        {"not_square", [](const TempDir& d) { write_faces(d, 16, 8); }, "texturecube",
         "Cube map faces must be square, not 16 x 8"},
        {"tga_face",
         [](const TempDir& d) {
             write_faces(d, 2, 2); // the +Y face is taken from a 24-bit TGA instead
             fixtures::Bytes tga = fixtures::tga_header(2, 2, 2, 24);
             tga.resize(tga.size() + 12, 7);
             d.write("posy.tga", fixtures::str(tga));
         },
         "texture", "Failed assert 4 == bytespp"},
    };
    for (const Case& c : cases) {
        TempDir faces;
        c.write(faces);
        const bool tga = std::string(c.folder) == "tga_face";
        ChildResult result = run_in_gl_child([&] {
            TextureCube cube;
            cube.load(faces.file("negx.png"), faces.file("posx.png"), faces.file("negy.png"),
                      faces.file(tga ? "posy.tga" : "posy.png"), faces.file("negz.png"),
                      faces.file("posz.png"));
        });
        EXPECT_EQ(result.exit_code, 1) << c.folder;
        EXPECT_EQ(result.err.find(std::string("Error in file src\\util\\texture\\") + c.source + ":"), 0u)
            << c.folder << ": " << result.err;
        EXPECT_NE(result.err.find("\n\n" + c.message), std::string::npos) << c.folder << ": " << result.err;
    }

    TempDir faces;
    write_faces(faces, 4, 4);
    ChildResult twice = run_in_gl_child([&] {
        TextureCube cube;
        load_faces(cube, faces);
        cube.create();
    });
    EXPECT_EQ(twice.exit_code, 1);
    EXPECT_NE(twice.err.find("Error in file src\\util\\texture\\texturecube:"), std::string::npos);
    EXPECT_NE(twice.err.find("\n\nAttempt to create an already initialized texture!\n"), std::string::npos)
        << twice.err;
}
