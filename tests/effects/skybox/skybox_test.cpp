#include "effects/skybox/skybox.h"

#include <GL/glu.h>
#include <array>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/data/datafile.h"
#include "util/texture/image_fixtures.h"

namespace {

typedef std::array<int, 3> Rgb;

// One colour a face, in the order -X, +X, -Y, +Y, -Z, +Z.
const Rgb FACE_COLOURS[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                             {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
const char* const AXIS_NAMES[6] = {"negx", "posx", "negy", "posy", "negz", "posz"};
const char* const SIDE_NAMES[6] = {"left", "right", "down", "up", "back", "front"};

std::string plain_face(const Rgb& colour)
{
    fixtures::Picture p;
    p.width = 4;
    p.height = 4;
    p.colour_type = 6;
    p.pixels.assign(16, {colour[0], colour[1], colour[2], 255});
    return fixtures::str(fixtures::png_file(p, false));
}

// Writes sky/<prefix><face>.png for the six faces of a naming scheme.
void write_scheme(const TempDir& dir, const char* const names[6], bool swap_colours = false)
{
    for (int i = 0; i < 6; ++i)
        dir.write(std::string("sky/box_") + names[i] + ".png", plain_face(FACE_COLOURS[swap_colours ? 5 - i : i]));
}

void expect_colour(const std::vector<unsigned char>& px, const Rgb& colour, const std::string& where)
{
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(px[c], colour[c], 2) << where << " channel " << c;
}

class SkyBoxGl : public GlTest {
protected:
    // A square 90-degree view from the origin along a direction.
    static void look(double x, double y, double z, double ux, double uy, double uz, double fov = 90.0)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(fov, 1.0, 0.1, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 0, x, y, z, ux, uy, uz);
    }
};

} // namespace

TEST(SkyBoxFaces, TheSchemeFollowsWhatTheDataLayerHas)
{
    TempDir dir;
    write_scheme(dir, SIDE_NAMES);
    dir.write("sky/box_negx.png/.keep", ""); // a folder is no face
    std::string names[6];
    Effects::SkyBox::face_names(dir.file("sky/box_"), "png", names);
    EXPECT_EQ(names[0], dir.file("sky/box_left.png"));
    EXPECT_EQ(names[5], dir.file("sky/box_front.png"));

    TempDir axis;
    write_scheme(axis, AXIS_NAMES);
    Effects::SkyBox::face_names(axis.file("sky/box_"), "png", names);
    EXPECT_EQ(names[0], axis.file("sky/box_negx.png"));
    EXPECT_EQ(names[3], axis.file("sky/box_posy.png"));

    // From the packed data file alone: no face is on disk, the entries decide.
    ChildResult packed = run_in_child([] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        for (const char* face : {"data/sky/a_negx.jpg", "data/sky/b_left.jpg"}) {
            DataEntry* entry = new DataEntry;
            entry->name = face;
            DataFile::entries.push_back(entry);
        }
        std::string found[6];
        Effects::SkyBox::face_names("data/sky/a_", "jpg", found);
        EXPECT_EQ(found[0], "data/sky/a_negx.jpg");
        EXPECT_EQ(found[5], "data/sky/a_posz.jpg");
        Effects::SkyBox::face_names("data/sky/b_", "jpg", found);
        EXPECT_EQ(found[2], "data/sky/b_down.jpg");
        std::exit(::testing::Test::HasFailure() ? 2 : 0);
    });
    EXPECT_EQ(packed.exit_code, 0) << packed.out << packed.err;
}

TEST(SkyBoxFatal, MisuseEndsWithTheReport)
{
    TempDir dir;
    write_scheme(dir, AXIS_NAMES);
    const std::string base = dir.file("sky/box_");
    struct Case {
        std::function<void()> body;
        std::string message;
    };
    const Case cases[] = {
        {[&] {
             Effects::SkyBox sky;
             sky.init(Vector3(0, 0, 0), 1.0f, base.c_str(), "png");
             sky.init(Vector3(0, 0, 0), 1.0f, base.c_str(), "png");
         },
         "SkyBox::init() called twice!"},
        {[] { Effects::SkyBox().render(0.0f); }, "SkyBox::render() called without initializing effect!"},
        {[&] { Effects::SkyBox().init(Vector3(0, 0, 0), 1.0f, (base + "none_").c_str(), "png"); },
         "Failed to load cubemap with base " + base + "none_ and extension png"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_gl_child(c.body);
        EXPECT_EQ(result.exit_code, 1) << c.message;
        EXPECT_EQ(result.err.find("Error in file src\\effects\\skybox\\skybox:"), 0u) << result.err;
        EXPECT_NE(result.err.find("\n\n" + c.message + "\n"), std::string::npos) << result.err;
    }
}

TEST_F(SkyBoxGl, EachDirectionFromTheCentreShowsItsFaceAndLeavesDepthAlone)
{
    TempDir dir;
    write_scheme(dir, SIDE_NAMES);
    Effects::SkyBox sky;
    sky.init(Vector3(0, 0, 0), 10.0f, dir.file("sky/box_").c_str(), "png");
    EXPECT_EQ(sky.get_scale(), 20.0f);

    // The box is turned a quarter about X: object +Z lies below, object +Y ahead (-Z is far).
    struct View {
        double x, y, z, ux, uy, uz;
        int face;
    };
    const View views[] = {
        {1, 0, 0, 0, 1, 0, 1},  {-1, 0, 0, 0, 1, 0, 0}, {0, 1, 0, 0, 0, 1, 4},
        {0, -1, 0, 0, 0, 1, 5}, {0, 0, 1, 0, 1, 0, 3},  {0, 0, -1, 0, 1, 0, 2},
    };
    for (const View& v : views) {
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        look(v.x, v.y, v.z, v.ux, v.uy, v.uz);
        glEnable(GL_DEPTH_TEST);
        sky.render(0.0f);
        const std::string where = std::string("looking at face ") + SIDE_NAMES[v.face];
        expect_colour(pixel(128, 128), FACE_COLOURS[v.face], where);
        expect_colour(pixel(10, 240), FACE_COLOURS[v.face], where + ", corner");

        std::vector<float> depth(256 * 256, 0.0f);
        glReadPixels(0, 0, 256, 256, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        int written = 0;
        for (float d : depth) written += d != 1.0f;
        EXPECT_EQ(written, 0) << where;
    }
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
    EXPECT_EQ(bound, 0);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
}

TEST_F(SkyBoxGl, TheFirstSchemeWinsWhenBothArePresent)
{
    TempDir dir;
    write_scheme(dir, SIDE_NAMES, true);
    write_scheme(dir, AXIS_NAMES);
    Effects::SkyBox sky;
    sky.init(Vector3(0, 0, 0), 10.0f, dir.file("sky/box_").c_str(), "png");
    look(1, 0, 0, 0, 1, 0);
    sky.render(0.0f);
    expect_colour(pixel(128, 128), FACE_COLOURS[1], "+X of the negx set");
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
}

TEST_F(SkyBoxGl, TheNebulaFacesMeetWithoutSeams)
{
    const std::string base = std::string(PELLORVANE_BINARY_DIR) +
                             "/data/effects/skybox/spacescape_purple_nebula_complex/purple_nebula_complex_";
    Effects::SkyBox sky;
    sky.init(Vector3(0, 0, 0), 10.0f, base.c_str(), "png");

    // Looking at the middle of an edge with the edge upright puts the seam between the two
    // centre columns. Across it the picture must change no more than across columns elsewhere.
    auto column_change = [](const std::vector<unsigned char>& rgba, int a, int b) {
        long sum = 0;
        for (int y = 28; y < 228; ++y)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(rgba[(static_cast<size_t>(y) * 256 + a) * 4 + c] -
                                rgba[(static_cast<size_t>(y) * 256 + b) * 4 + c]);
        return sum;
    };
    for (int axis = 0; axis < 3; ++axis) {
        for (int corner = 0; corner < 4; ++corner) {
            double direction[3] = {0, 0, 0}, up[3] = {0, 0, 0};
            up[axis] = 1;
            direction[(axis + 1) % 3] = corner & 1 ? 1 : -1;
            direction[(axis + 2) % 3] = corner & 2 ? 1 : -1;
            glClear(GL_COLOR_BUFFER_BIT);
            look(direction[0], direction[1], direction[2], up[0], up[1], up[2], 20.0);
            sky.render(0.0f);
            const std::vector<unsigned char> rgba = read_rgba(0, 0, 256, 256);
            const long seam = column_change(rgba, 126, 129);
            const long elsewhere = (column_change(rgba, 116, 119) + column_change(rgba, 136, 139)) / 2;
            EXPECT_LT(seam, 2 * elsewhere + 1000)
                << "edge along axis " << axis << ", corner " << corner << ": across the seam " << seam
                << ", elsewhere " << elsewhere;
        }
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
}
