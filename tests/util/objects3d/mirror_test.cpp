#include "util/objects3d/mirror.h"

#include <GL/glew.h>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "objects3d_fixture.h"
#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "util/fbo/fbo.h"
#include "util/objects3d/objects3d.h"
#include "util/objects3d/prefabs.h"

using namespace objects3d_fixture;

namespace {

bool finite_matrix(const Matrix4& m)
{
    for (float v : m.m) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

void expect_vector_near(const Vector3& actual, const Vector3& expected, const std::string& what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-4f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-4f) << what;
}

class MirrorTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        reset_gl_state();
    }
    void TearDown() override
    {
        reset_gl_state();
        GlTest::TearDown();
    }
};

} // namespace

TEST_F(MirrorTest, CameraSitsAtTheReflectionWithDepthRangeFromTheSize)
{
    const struct {
        Vector3 viewer;
        Vector3 up;
        bool pull_back;
        Vector3 eye;
        Vector3 reflected;
    } cases[] = {
        // Facing +Z with an up vector along +Z: the look-at needs another up.
        {Vector3(0, 0, 10), Vector3(0, 0, 1), false, Vector3(0, 0, 0), Vector3(0, 0, 1)},
        {Vector3(0, 0, 10), Vector3(0, 0, 1), true, Vector3(0, 0, -10), Vector3(0, 0, 1)},
        {Vector3(10, 0, 10), Vector3(0, 1, 0), false, Vector3(0, 0, 0),
         Vector3(-std::sqrt(0.5f), 0, std::sqrt(0.5f))},
    };
    Objects3D renderer;
    for (const auto& c : cases) {
        Mirror mirror(&renderer, 64, 32);
        mirror.width = 4.0f;
        mirror.height = 2.0f;
        mirror.normal.set(0, 0, 3); // normalised on use
        mirror.up = c.up;
        mirror.pull_back = c.pull_back;
        Camera viewer;
        viewer.look_at(c.viewer.x, c.viewer.y, c.viewer.z, 0, 0, 0, 0, 1, 0);
        mirror.set_viewer(&viewer);
        const std::string what = std::to_string(c.viewer.x) + " pull back " + std::to_string(c.pull_back);

        ASSERT_TRUE(mirror.has_view()) << what;
        EXPECT_EQ(mirror.viewer, &viewer);
        expect_vector_near(mirror.normal, Vector3(0, 0, 1), what);
        expect_vector_near(mirror.reflected_direction, c.reflected, what);
        const Camera* camera = mirror.get_camera();
        ASSERT_TRUE(finite_matrix(camera->get_view_matrix())) << what;
        expect_vector_near(camera->get_position(), c.eye, what);
        // The reflected direction is straight ahead of the camera.
        Vector3 ahead = camera->get_position() + c.reflected;
        camera->get_view_matrix().transform_point(ahead);
        EXPECT_NEAR(ahead.x, 0.0f, 1e-4f) << what;
        EXPECT_NEAR(ahead.y, 0.0f, 1e-4f) << what;
        EXPECT_LT(ahead.z, 0.0f) << what;
        EXPECT_FLOAT_EQ(camera->znear, 0.006f);
        EXPECT_FLOAT_EQ(camera->zfar, 60.0f);
        EXPECT_FLOAT_EQ(camera->fov, 45.0f);
        EXPECT_FLOAT_EQ(mirror.back_distance(), 0.06f);
    }
}

TEST_F(MirrorTest, UpVectorFallsBackOnlyWhenParallel)
{
    expect_vector_near(Mirror::up_for(Vector3(1, 0, 0), Vector3(0, 0, 1)), Vector3(0, 0, 1), "sideways");
    expect_vector_near(Mirror::up_for(Vector3(0, 0, -2), Vector3(0, 0, 1)), Vector3(0, 1, 0), "along -Z");
    expect_vector_near(Mirror::up_for(Vector3(0, 3, 0), Vector3(0, 1, 0)), Vector3(0, 0, 1), "along +Y");
}

namespace {

// A viewer at (0, 0, 10) looking at a +Z-facing mirror at the origin; behind the viewer, out
// of its sight, a red cube that only the mirror shows.
struct MirrorScene {
    std::unique_ptr<ShaderProgram> solid = solid_probe(1, 0, 0);
    std::unique_ptr<ShaderProgram> textured = texture_probe();
    std::unique_ptr<Mesh> cube{Prefabs::cube_mesh(4.0f, false)};
    Material material;
    Camera viewer;
    Objects3D renderer;
    std::unique_ptr<Mirror> mirror;

    MirrorScene()
    {
        renderer.set_shader(OBJ_SHADER_NOTEX, solid.get());
        renderer.set_shader(OBJ_SHADER_TEXTURE, textured.get());
        Node3D* node = renderer.add_node(renderer.add_geom_object(cube.get(), &material), nullptr);
        node->transform.translate(0, 0, 20);
        viewer.look_at(0, 0, 10, 0, 0, 0, 0, 1, 0);
        renderer.cameras.push_back(&viewer);
        renderer.set_camera(0);
        renderer.set_viewport(256, 256, 1.0f); // the fixture window
        mirror.reset(new Mirror(&renderer, 64, 64));
        mirror->width = 4.0f;
        mirror->height = 4.0f;
        mirror->normal.set(0, 0, 1);
        mirror->up.set(0, 0, 1);
        renderer.mirrors.push_back(mirror.get());
    }
};

} // namespace

TEST_F(MirrorTest, PlusZMirrorShowsWhatLiesBehindTheViewer)
{
    MirrorScene scene;
    scene.renderer.render(false);
    ASSERT_TRUE(scene.mirror->has_view());
    EXPECT_TRUE(finite_matrix(scene.mirror->get_camera()->get_view_matrix()));
    EXPECT_TRUE(scene.mirror->visible);
    EXPECT_EQ(scene.mirror->material.texture, scene.mirror->fbo->get_texture(0));
    EXPECT_EQ(scene.renderer.cameras[0], &scene.viewer);
    EXPECT_FALSE(Objects3D::in_mirror_pass());
    // The quad spans +-2 at distance 10: about 62 pixels either side of the centre.
    EXPECT_EQ(pixel(128, 128)[0], 255) << "the cube in the mirror";
    EXPECT_EQ(pixel(128, 128 + 80)[0], 0) << "above the mirror";

    // The mirror picture itself: the cube in its middle.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, scene.mirror->fbo->get_id());
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    EXPECT_EQ(pixel(32, 32)[0], 255);
    EXPECT_EQ(pixel(1, 1)[0], 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glReadBuffer(GL_BACK);
}

TEST_F(MirrorTest, ViewerAtTheCentreDrawsNothing)
{
    MirrorScene scene;
    scene.viewer.look_at(0, 0, 0, 0, 0, -1, 0, 1, 0);
    scene.mirror->black_back = true;
    scene.renderer.render(false);
    EXPECT_FALSE(scene.mirror->has_view());
    EXPECT_TRUE(finite_matrix(scene.mirror->get_camera()->get_view_matrix()));
    EXPECT_EQ(pixel(128, 128)[0], 0);
    EXPECT_FALSE(Objects3D::in_mirror_pass());
}

TEST_F(MirrorTest, BlackBackFacesAwayFromTheNormal)
{
    // The probe paints the material's emission: white on the front, black on the back.
    std::unique_ptr<ShaderProgram> emission(new ShaderProgram(
        PROBE_VERTEX,
        "#version 120\nvoid main() { gl_FragColor = gl_FrontMaterial.emission + vec4(0.0, 0.0, 0.0, 1.0); }\n",
        false));
    const struct {
        float viewer_z;
        int red;
    } cases[] = {{10.0f, 255}, {-10.0f, 0}};
    for (const auto& c : cases) {
        MirrorScene scene;
        scene.mirror->black_back = true;
        scene.mirror->material.emission.set(1, 1, 1, 1);
        scene.renderer.set_shader(OBJ_SHADER_TEXTURE, emission.get());
        scene.viewer.look_at(0, 0, c.viewer_z, 0, 0, 0, 0, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        scene.renderer.render(false);
        EXPECT_EQ(pixel(128, 128)[0], c.red) << "viewer at z " << c.viewer_z;
    }
}

TEST_F(MirrorTest, BadDrawsAreFatal)
{
    const auto missing_slot = [] {
        MirrorScene scene;
        scene.mirror->set_viewer(&scene.viewer);
        scene.mirror->draw(OBJ_DRAW_AMBIENT, 0);
    };
    const auto lighting_without_camera = [] {
        MirrorScene scene;
        scene.mirror->set_viewer(&scene.viewer);
        std::unique_ptr<ShaderProgram> probe = solid_probe(1, 1, 1);
        scene.renderer.set_shader(OBJ_SHADER_SHADOW_LIGHTING_TEX, probe.get());
        scene.renderer.cur_cam = -1;
        scene.mirror->draw(OBJ_DRAW_SHADOW_LIGHTING, 0);
    };
    const auto bad_mode = [] {
        MirrorScene scene;
        scene.mirror->set_viewer(&scene.viewer);
        scene.mirror->draw(7, 0);
    };
    const auto zero_normal = [] {
        MirrorScene scene;
        scene.mirror->normal.set(0, 0, 0);
        scene.mirror->set_viewer(&scene.viewer);
    };
    const struct {
        std::function<void()> body;
        int line;
        std::string message;
    } cases[] = {
        {missing_slot, 146, "Failed assert master->shaders[OBJ_SHADER_SHADOW_AMBIENT_TEX]"},
        {lighting_without_camera, 157, "Failed assert master->cur_cam >= 0"},
        {bad_mode, 173, "Unsupported draw mode 7"},
        {zero_normal, 0, "Mirror normal (0, 0, 0) has no direction"},
    };
    for (const auto& c : cases) {
        expect_fatal(run_in_gl_child(c.body, WINDOW_WIDTH, WINDOW_HEIGHT),
                     MIRROR_SOURCE, c.line, c.message);
    }
}
