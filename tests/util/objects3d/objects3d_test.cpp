#include "util/objects3d/objects3d.h"

#include <GL/glew.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <GL/glu.h>

#include "objects3d_fixture.h"
#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "util/camera/camera.h"
#include "util/data/datafile.h"
#include "util/fbo/fbo.h"
#include "util/light/light.h"
#include "util/objects3d/prefabs.h"
#include "util/shaderprogram/shaderbank.h"

using namespace objects3d_fixture;

TEST(Objects3DGraph, FirstNodeMakesTheMasterAndMeshesAndMaterialsRegisterOnce)
{
    std::unique_ptr<Mesh> mesh(Prefabs::cube_mesh(1.0f, false));
    std::unique_ptr<Mesh> other(Prefabs::plane_mesh(2.0f, 2.0f, 1.0f));
    Material material;
    Material second;
    Objects3D renderer;
    EXPECT_EQ(renderer.master, &renderer);

    GeomObject* a = renderer.add_geom_object(mesh.get(), &material);
    GeomObject* b = renderer.add_geom_object(mesh.get(), &second);
    GeomObject* c = renderer.add_geom_object(other.get(), &material);
    ASSERT_EQ(renderer.meshes.size(), 2u);
    EXPECT_EQ(a->mesh_id, 0);
    EXPECT_EQ(b->mesh_id, 0);
    EXPECT_EQ(c->mesh_id, 1);
    EXPECT_EQ(a->mesh_ptr, mesh.get());
    ASSERT_EQ(renderer.materials.size(), 2u);
    EXPECT_EQ(a->material_index, 0);
    EXPECT_EQ(b->material_index, 1);
    EXPECT_EQ(c->material_index, 0);
    ASSERT_EQ(renderer.objects.size(), 3u);
    // One index per element of each stream; the cube has no tangents.
    EXPECT_EQ(a->ivertices.size(), 36u);
    EXPECT_EQ(a->inormals.size(), 36u);
    EXPECT_TRUE(a->itangents.empty());
    EXPECT_EQ(a->itexcoords.size(), 36u);
    EXPECT_EQ(a->ivertices[35], 35);

    EXPECT_EQ(renderer.master_node, nullptr);
    Node3D* first = renderer.add_node(a, nullptr);
    ASSERT_NE(renderer.master_node, nullptr);
    ASSERT_EQ(renderer.nodes.size(), 2u);
    EXPECT_EQ(renderer.nodes[0], renderer.master_node);
    EXPECT_EQ(renderer.master_node->index, 0);
    EXPECT_EQ(renderer.master_node->parent, -1);
    EXPECT_EQ(renderer.master_node->name, "Master node");
    EXPECT_EQ(first->index, 1);
    EXPECT_EQ(first->parent, 0);
    EXPECT_EQ(first->geometry, std::vector<int>{0});
    EXPECT_EQ(renderer.master_node->children, std::vector<int>{1});

    Node3D* child = renderer.add_node(c, first);
    EXPECT_EQ(child->index, 2);
    EXPECT_EQ(child->parent, 1);
    EXPECT_EQ(child->geometry, std::vector<int>{2});
    EXPECT_EQ(first->children, std::vector<int>{2});

    // An object made elsewhere joins the object list on its first node.
    GeomObject outside;
    Node3D* third = renderer.add_node(&outside, nullptr);
    EXPECT_EQ(third->geometry, std::vector<int>{3});
    EXPECT_EQ(renderer.objects.size(), 4u);
}

TEST(Objects3DGraph, TexturedNeedsATextureAndTextureCoordinates)
{
    std::unique_ptr<Mesh> mesh(Prefabs::cube_mesh(1.0f, false));
    Mesh bare = *mesh;
    bare.texcoords.clear();
    bare.texcoords_stride = 0;
    Texture texture;
    Material plain;
    Material textured;
    textured.texture = &texture;
    Objects3D renderer;
    EXPECT_FALSE(renderer.add_geom_object(mesh.get(), &plain)->textured);
    EXPECT_TRUE(renderer.add_geom_object(mesh.get(), &textured)->textured);
    EXPECT_FALSE(renderer.add_geom_object(&bare, &textured)->textured);
}

TEST(Objects3DGraph, SetCameraPastTheCamerasGivesNone)
{
    Camera cameras[3];
    Objects3D renderer;
    for (Camera& camera : cameras) renderer.cameras.push_back(&camera);
    const struct {
        unsigned int index;
        int expected;
    } cases[] = {{0, 0}, {2, 2}, {3, -1}, {5, -1}, {0xFFFFFFFFu, -1}};
    for (const auto& c : cases) {
        renderer.set_camera(c.index);
        EXPECT_EQ(renderer.cur_cam, c.expected) << c.index;
    }
}

TEST(Objects3DGraph, BadSetUpIsFatal)
{
    const auto short_normals = [] {
        std::unique_ptr<Mesh> mesh(Prefabs::cube_mesh(1.0f, false));
        mesh->normals.resize(mesh->normals.size() - 3); // one normal short
        Material material;
        Objects3D renderer;
        renderer.add_geom_object(mesh.get(), &material);
    };
    const auto short_texcoords = [] {
        std::unique_ptr<Mesh> mesh(Prefabs::cube_mesh(1.0f, false));
        mesh->texcoords.resize(mesh->texcoords.size() - 2);
        Material material;
        Objects3D renderer;
        renderer.add_geom_object(mesh.get(), &material);
    };
    const auto wide_normals = [] {
        Mesh mesh;
        mesh.name = "Wide";
        mesh.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        mesh.vertices_stride = 3;
        mesh.normals = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0};
        mesh.normals_stride = 4;
        Material material;
        Objects3D renderer;
        renderer.add_geom_object(&mesh, &material);
    };
    const struct {
        std::function<void()> body;
        int line;
        std::string message;
    } cases[] = {
        {[] { Objects3D().set_shader(10, nullptr); }, 1844, "Shader type out of range!"},
        {[] { Objects3D().set_shader(-1, nullptr); }, 1844, "Shader type out of range!"},
        {short_normals, 0, "Mesh \"Cube\" has 35 normal elements for 36 positions"},
        {short_texcoords, 0, "Mesh \"Cube\" has 35 texture coordinate elements for 36 positions"},
        {wide_normals, 0, "Mesh \"Wide\": normal stride 4 is not one GL can draw"},
    };
    for (const auto& c : cases) expect_fatal(run_in_child(c.body), OBJECTS_SOURCE, c.line, c.message);
}

namespace {

// A renderer with probe programs in every slot, one camera at (0, 0, 5) looking at the
// origin, and objects added through `add`.
class Objects3DTest : public GlTest {
protected:
    std::unique_ptr<ShaderProgram> probes[OBJ_SHADER_COUNT];
    std::unique_ptr<Mesh> cube{Prefabs::cube_mesh(2.0f, false)};
    Camera camera;
    Objects3D renderer;

    void SetUp() override
    {
        GlTest::SetUp();
        reset_gl_state();
        camera.look_at(0, 0, 5, 0, 0, 0, 0, 1, 0);
        renderer.cameras.push_back(&camera);
        renderer.set_camera(0);
        renderer.set_viewport(WINDOW_WIDTH, WINDOW_HEIGHT, 1.0f);
    }

    void TearDown() override
    {
        reset_gl_state();
        GlTest::TearDown();
    }

    void use_probe(int slot, std::unique_ptr<ShaderProgram> program)
    {
        probes[slot] = std::move(program);
        renderer.set_shader(slot, probes[slot].get());
    }

    // A renderer of its own for one case of a table, looking through the fixture's camera at
    // the whole window.
    void set_up_local(Objects3D& local)
    {
        local.cameras.push_back(&camera);
        local.set_camera(0);
        local.set_viewport(WINDOW_WIDTH, WINDOW_HEIGHT, 1.0f);
    }

    Node3D* add(Mesh* mesh, Material* material, Node3D* parent = nullptr)
    {
        return renderer.add_geom_object(mesh, material) != nullptr
                   ? renderer.add_node(renderer.objects.back(), parent)
                   : nullptr;
    }

    static float depth_at(int x, int y)
    {
        float depth = -1.0f;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }
};

void expect_rgb_near(const std::vector<unsigned char>& p, int r, int g, int b, const std::string& what)
{
    EXPECT_NEAR(p[0], r, 2) << what;
    EXPECT_NEAR(p[1], g, 2) << what;
    EXPECT_NEAR(p[2], b, 2) << what;
}

} // namespace

TEST_F(Objects3DTest, WithoutAMasterNodeNothingIsDrawnOrChanged)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(1, 0, 0));
    glViewport(1, 2, 3, 4);
    renderer.render(false);
    renderer.render(true);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 1);
    EXPECT_EQ(viewport[3], 4);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

TEST_F(Objects3DTest, PlainRenderDrawsTheCubeWithTheLightCountAndAppliesTheLights)
{
    use_probe(OBJ_SHADER_NOTEX, lights_probe());
    Material material;
    add(cube.get(), &material);
    Light first;
    Light second;
    renderer.lights = {&first, &second};
    renderer.render(false);

    expect_rgb_near(pixel(128, 128), 255, 128, 0, "centre: red, green = 2 lights / 4");
    expect_rgb_near(pixel(2, 2), 0, 0, 0, "corner");
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], WINDOW_WIDTH);
    EXPECT_EQ(viewport[3], WINDOW_HEIGHT);

    // The buffers were made once and are reused.
    const GLuint buffer = renderer.objects[0]->array_buffer;
    renderer.render(false);
    EXPECT_EQ(renderer.objects[0]->array_buffer, buffer);
    expect_rgb_near(pixel(128, 128), 255, 128, 0, "second frame");
}

TEST_F(Objects3DTest, PlainRenderWithoutACameraKeepsTheProjectionInForce)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(0, 1, 0));
    Material material;
    Mesh* small = Prefabs::cube_mesh(0.5f, false);
    std::unique_ptr<Mesh> owned(small);
    add(small, &material);
    renderer.set_camera(5); // one camera: none is current
    EXPECT_EQ(renderer.cur_cam, -1);
    // Identity projection and view: the cube spans the middle quarter of the window, pixels
    // 96 to 159 both ways. Through the camera at distance 5 it would span only 112 to 143.
    renderer.render(false);
    expect_rgb_near(pixel(100, 100), 0, 255, 0, "inside the quarter, outside the camera's view of the cube");
    expect_rgb_near(pixel(155, 155), 0, 255, 0, "inside the quarter, outside the camera's view of the cube");
    expect_rgb_near(pixel(20, 20), 0, 0, 0, "outside the cube");
}

TEST_F(Objects3DTest, TexturedObjectsBindTheirTextureOnUnitZeroOrOneBesideACubeMap)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(1, 0, 0));
    use_probe(OBJ_SHADER_TEXTURE, texture_probe());
    std::unique_ptr<Texture> blue = solid_texture(0, 0, 255);
    Material material;
    material.texture = blue.get();
    add(cube.get(), &material);
    ASSERT_TRUE(renderer.objects[0]->textured);
    renderer.render(false);
    expect_rgb_near(pixel(128, 128), 0, 0, 255, "texture on unit 0");
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);

    // With a cube map enabled the colour texture goes to unit 1: the probe reads unit 1. An
    // untextured object drawn first must not leave another unit active.
    Material plain;
    Node3D* side = add(cube.get(), &plain);
    side->transform.translate(100.0f, 0.0f, 0.0f);
    std::vector<int>& order = renderer.master_node->children;
    order.insert(order.begin(), order.back());
    order.pop_back();
    probes[OBJ_SHADER_TEXTURE]->bind();
    probes[OBJ_SHADER_TEXTURE]->set_uniform_1i("picture", 1);
    ShaderProgram::unbind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_CUBE_MAP);
    renderer.render(false);
    glDisable(GL_TEXTURE_CUBE_MAP);
    expect_rgb_near(pixel(128, 128), 0, 0, 255, "texture on unit 1");
}

TEST_F(Objects3DTest, TranslucentObjectsDrawWithoutDepthWrites)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(1, 1, 1));
    const struct {
        float alpha;
        bool writes_depth;
    } cases[] = {{0.5f, false}, {0.989f, false}, {0.99f, true}, {1.0f, true}};
    for (const auto& c : cases) {
        Objects3D local;
        set_up_local(local);
        local.set_shader(OBJ_SHADER_NOTEX, probes[OBJ_SHADER_NOTEX].get());
        Material material;
        material.diffuse.w = c.alpha;
        local.add_node(local.add_geom_object(cube.get(), &material), nullptr);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        local.render(false);
        expect_rgb_near(pixel(128, 128), 255, 255, 255, "drawn either way");
        if (c.writes_depth) {
            EXPECT_LT(depth_at(128, 128), 1.0f) << c.alpha;
        } else {
            EXPECT_EQ(depth_at(128, 128), 1.0f) << c.alpha;
        }
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_EQ(mask, GL_TRUE) << "the depth mask is back on after " << c.alpha;
    }
}

TEST_F(Objects3DTest, MirroredNodesFlipTheWinding)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(1, 1, 1));
    std::unique_ptr<Mesh> plane(Prefabs::plane_mesh(2.0f, 2.0f, 1.0f));
    camera.look_at(0, 5, 0, 0, 0, 0, 0, 0, -1); // above, looking down on the plane's top
    // The plane winds clockwise seen from above: culled as a back face unless mirrored.
    const struct {
        bool parent_mirrored;
        bool child_mirrored;
        bool drawn;
    } cases[] = {{false, false, false}, {true, false, true}, {false, true, true}, {true, true, false}};
    for (const auto& c : cases) {
        Objects3D local;
        set_up_local(local);
        local.set_shader(OBJ_SHADER_NOTEX, probes[OBJ_SHADER_NOTEX].get());
        Material material;
        Node3D* parent = local.add_node(nullptr, nullptr);
        parent->mirrored = c.parent_mirrored;
        Node3D* child = local.add_node(local.add_geom_object(plane.get(), &material), parent);
        child->mirrored = c.child_mirrored;
        // The root's own flag cancels out.
        local.master_node->mirrored = true;

        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        local.render(false);
        glDisable(GL_CULL_FACE);
        const std::string what = std::to_string(c.parent_mirrored) + "/" + std::to_string(c.child_mirrored);
        EXPECT_EQ(pixel(128, 128)[0], c.drawn ? 255 : 0) << what;
        // The last node drawn is the master node, which is drawn unmirrored.
        GLint front = 0;
        glGetIntegerv(GL_FRONT_FACE, &front);
        EXPECT_EQ(front, GL_CCW) << what;
    }
}

TEST_F(Objects3DTest, HiddenAndDisabledNodesAndHiddenObjectsDrawNothing)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(1, 1, 1));
    Material material;
    const struct {
        const char* what;
        bool node_visible;
        bool parent_enabled;
        bool object_visible;
        bool drawn;
    } cases[] = {{"all shown", true, true, true, true},
                 {"node hidden", false, true, true, false},
                 {"parent disabled", true, false, true, false},
                 {"object hidden", true, true, false, false}};
    for (const auto& c : cases) {
        Objects3D local;
        set_up_local(local);
        local.set_shader(OBJ_SHADER_NOTEX, probes[OBJ_SHADER_NOTEX].get());
        Node3D* parent = local.add_node(nullptr, nullptr);
        GeomObject* object = local.add_geom_object(cube.get(), &material);
        Node3D* node = local.add_node(object, parent);
        node->visible = c.node_visible;
        parent->enabled = c.parent_enabled;
        object->visible = c.object_visible;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        local.render(false);
        EXPECT_EQ(pixel(128, 128)[0], c.drawn ? 255 : 0) << c.what;
    }
}

TEST_F(Objects3DTest, NodeAndObjectTransformsMoveTheDrawing)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(1, 1, 1));
    std::unique_ptr<Mesh> small(Prefabs::cube_mesh(0.5f, false));
    Material material;
    Node3D* node = add(small.get(), &material);
    node->transform.translate(1.0f, 0.0f, 0.0f);
    renderer.objects[0]->transform.translate(0.0f, 1.0f, 0.0f);
    renderer.render(false);
    // At distance 5 with a 45-degree view, one unit is 256 / (2 x 5 x tan 22.5) = 61.8 pixels.
    EXPECT_EQ(pixel(128, 128)[0], 0);
    EXPECT_EQ(pixel(128 + 62, 128 + 62)[0], 255);
}

TEST_F(Objects3DTest, GlowPassDrawsGlowTexturesIntoItsTargetAndAddsThemOver)
{
    use_probe(OBJ_SHADER_NOTEX, solid_probe(1, 0, 0));
    use_probe(OBJ_SHADER_GLOW, texture_probe());
    use_probe(OBJ_SHADER_GLOW_BLUR, texture_probe());
    std::unique_ptr<Texture> blue = solid_texture(0, 0, 255);
    Material material;
    material.glow_texture = blue.get();
    add(cube.get(), &material);
    renderer.glow = true;
    renderer.render(false);

    ASSERT_NE(renderer.glow_fbo, nullptr);
    EXPECT_EQ(renderer.glow_fbo->get_width(), Objects3D::GLOW_SIZE);
    EXPECT_EQ(renderer.glow_fbo->get_height(), Objects3D::GLOW_SIZE);
    expect_rgb_near(pixel(128, 128), 255, 0, 255, "red cube plus blue glow");
    expect_rgb_near(pixel(2, 2), 0, 0, 0, "corner");
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<GLhandleARB>(program), probes[OBJ_SHADER_GLOW_BLUR]->get_program());

    // The glow picture itself: blue where the cube is, clear elsewhere.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, renderer.glow_fbo->get_id());
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    expect_rgb_near(pixel(256, 256), 0, 0, 255, "glow picture centre");
    expect_rgb_near(pixel(4, 4), 0, 0, 0, "glow picture corner");
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glReadBuffer(GL_BACK);

    // Without a glow texture the object paints black into the glow picture.
    Material dark;
    dark.emission.set(1, 1, 1, 1);
    renderer.objects[0]->material_index = static_cast<int>(renderer.materials.size());
    renderer.materials.push_back(&dark);
    use_probe(OBJ_SHADER_GLOW, std::unique_ptr<ShaderProgram>(new ShaderProgram(
                                   PROBE_VERTEX,
                                   "#version 120\nvoid main() { gl_FragColor = "
                                   "gl_FrontMaterial.emission + vec4(0.0, 0.0, 0.0, 1.0); }\n",
                                   false)));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.render(false);
    expect_rgb_near(pixel(128, 128), 255, 0, 0, "no glow added");
}

TEST_F(Objects3DTest, ShadowedRenderWithOnlyAmbientLightsDrawsTheAmbientPassOnly)
{
    use_probe(OBJ_SHADER_SHADOW_AMBIENT, solid_probe(0, 0.5f, 0));
    use_probe(OBJ_SHADER_SHADOW_DEPTHWRITE, solid_probe(1, 1, 1));
    use_probe(OBJ_SHADER_SHADOW_LIGHTING, solid_probe(0.5f, 0, 0));
    Material material;
    add(cube.get(), &material);
    Light ambient(LIGHT_AMBIENT);
    renderer.lights = {&ambient};
    renderer.render(true);
    expect_rgb_near(pixel(128, 128), 0, 128, 0, "ambient pass only");
    EXPECT_EQ(ambient.get_shadow_texture(), 0u);
    GLint depth_function = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depth_function);
    EXPECT_EQ(depth_function, GL_LEQUAL);

    // A point light adds its lighting pass over its own shadow cube.
    Light point;
    point.set_position(0, 0, 4);
    renderer.lights.push_back(&point);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.render(true);
    expect_rgb_near(pixel(128, 128), 128, 128, 0, "ambient plus lighting");
    EXPECT_NE(point.get_shadow_texture(), 0u);
    EXPECT_TRUE(point.get_casts_shadows());
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
}

TEST_F(Objects3DTest, ShadowDepthPassesSkipTranslucentObjects)
{
    use_probe(OBJ_SHADER_SHADOW_AMBIENT, solid_probe(0, 0, 0));
    use_probe(OBJ_SHADER_SHADOW_DEPTHWRITE, solid_probe(1, 1, 1));
    use_probe(OBJ_SHADER_SHADOW_LIGHTING, solid_probe(0.5f, 0, 0));
    Light point;
    point.set_position(0, 0, 4);
    renderer.lights = {&point};
    const struct {
        float alpha;
        bool casts;
    } cases[] = {{0.5f, false}, {1.0f, true}};
    for (const auto& c : cases) {
        Objects3D local;
        set_up_local(local);
        for (int slot = 0; slot < OBJ_SHADER_COUNT; ++slot) local.set_shader(slot, probes[slot].get());
        local.lights = {&point};
        Material material;
        material.diffuse.w = c.alpha;
        local.add_node(local.add_geom_object(cube.get(), &material), nullptr);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        local.render(true);
        // Face 5 looks down -Z from the light at z = 4 onto the cube's front at z = 1.
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, point.get_shadow_framebuffer());
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                  GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, point.get_shadow_texture(), 0);
        glReadBuffer(GL_NONE);
        const int centre = point.get_shadow_size() / 2;
        const float depth = depth_at(centre, centre);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glReadBuffer(GL_BACK);
        if (c.casts) {
            EXPECT_LT(depth, 1.0f) << c.alpha;
        } else {
            EXPECT_EQ(depth, 1.0f) << c.alpha;
        }
    }
}

TEST_F(Objects3DTest, RenderFaultsAreFatal)
{
    Material material;
    add(cube.get(), &material);
    Light point;
    const auto lighting_untextured_without_camera = [&] {
        renderer.lights = {&point};
        renderer.cur_cam = -1;
        renderer.render_node(renderer.master_node, false, OBJ_DRAW_SHADOW_LIGHTING, 0);
    };
    const auto too_many_lights = [&] {
        GLint max_lights = 0;
        glGetIntegerv(GL_MAX_LIGHTS, &max_lights);
        static std::vector<std::unique_ptr<Light>> many;
        for (int i = 0; i <= max_lights; ++i) many.emplace_back(new Light());
        for (auto& light : many) renderer.lights.push_back(light.get());
        renderer.render(false);
    };
    const auto no_camera_for_shadows = [&] {
        renderer.cameras.clear();
        renderer.render(true);
    };
    const auto shadow_camera_out_of_range = [&] {
        renderer.cur_cam = 1;
        renderer.render(true);
    };
    const auto draw_mode = [&] { renderer.render_node(renderer.master_node, false, 5, 0); };
    const auto light_index = [&] {
        renderer.lights.clear();
        renderer.render_node(renderer.master_node, false, OBJ_DRAW_SHADOW_LIGHTING, 0);
    };
    const struct {
        std::function<void()> body;
        int line;
        std::string message;
    } cases[] = {
        {lighting_untextured_without_camera, 754, "Failed assert master->cur_cam >= 0"},
        {too_many_lights, 0, "Too many lights: 9, GL has 8"},
        {no_camera_for_shadows, 905, "No camera defined! Needed for shadows"},
        {shadow_camera_out_of_range, 906, "cur_cam 1 out of range for 1 cameras!"},
        {draw_mode, 801, "Unsupported draw mode 5"},
        {light_index, 0, "Light index 0 out of range for 0 lights!"},
    };
    for (const auto& c : cases) {
        expect_fatal(run_in_gl_child(c.body, WINDOW_WIDTH, WINDOW_HEIGHT),
                     OBJECTS_SOURCE, c.line, c.message);
    }
}

namespace {

// Window coordinates of a world point under the projection and viewport in force and the
// camera's view.
void project(const Camera& camera, double x, double y, double z, int* px, int* py)
{
    double projection[16];
    double view[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    for (int i = 0; i < 16; ++i) view[i] = camera.get_view_matrix().m[i];
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, view, projection, viewport, &wx, &wy, &wz);
    *px = static_cast<int>(wx);
    *py = static_cast<int>(wy);
}

} // namespace

// The production's programs from the shader bank: a cube over a floor, lit from above.
TEST_F(Objects3DTest, BankProgramsLightThePlainRenderAndShadowTheFloorUnderTheCube)
{
    ASSERT_EQ(chdir(PELLORVANE_SOURCE_DIR), 0);
    DataFile::set_mode(DATAFILE_MODE_DISK);
    ShaderBank bank;
    renderer.set_shaders(bank);
    const int bank_slots[OBJ_SHADER_COUNT] = {
        SHADER_SLOT_MULTI_MATERIAL,
        SHADER_SLOT_MULTI_MATERIAL_TEXTURED,
        SHADER_SLOT_SHADOW_DEPTH_WRITE,
        SHADER_SLOT_SHADOW_AMBIENT,
        SHADER_SLOT_SHADOW_AMBIENT_TEXTURED,
        SHADER_SLOT_SHADOW_CUBE_LIGHTING,
        SHADER_SLOT_SHADOW_CUBE_LIGHTING_TEXTURED,
        SHADER_SLOT_UNLIT_MATERIAL,
        SHADER_SLOT_UNLIT_MATERIAL_TEXTURED,
        SHADER_SLOT_BLUR,
    };
    for (int slot = 0; slot < OBJ_SHADER_COUNT; ++slot) {
        EXPECT_EQ(renderer.shaders[slot], bank.get_shader(bank_slots[slot])) << slot;
    }

    std::unique_ptr<Mesh> floor(Prefabs::plane_mesh(10.0f, 10.0f, 1.0f));
    std::unique_ptr<Mesh> small(Prefabs::cube_mesh(1.0f, false));
    Material material;
    add(floor.get(), &material);
    add(small.get(), &material)->transform.translate(0.0f, 1.5f, 0.0f);
    Light light;
    light.set_position(0.0f, 4.0f, 0.0f);
    light.set_attenuation_range(40.0f);
    renderer.lights = {&light};
    camera.look_at(0, 6, 6, 0, 0, 0, 0, 1, 0);

    renderer.render(false);
    int under_x = 0, under_y = 0, open_x = 0, open_y = 0;
    project(camera, 0, 0, 0, &under_x, &under_y);
    project(camera, 2.5, 0, 0, &open_x, &open_y);
    EXPECT_GT(pixel(under_x, under_y)[0], 40) << "unshadowed: lit under the cube too";
    EXPECT_GT(pixel(open_x, open_y)[0], 40);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.render(true);
    const int shadowed = pixel(under_x, under_y)[0];
    const int lit = pixel(open_x, open_y)[0];
    EXPECT_GT(lit, 40);
    EXPECT_LT(shadowed, lit / 4) << "the floor under the cube lies in its shadow";
}

TEST_F(Objects3DTest, TangentsReachTheProgramsTangentAttributeWithTheirStride)
{
    // The probe reads all four tangent components; the linker picks the attribute's slot.
    use_probe(OBJ_SHADER_NOTEX, std::unique_ptr<ShaderProgram>(new ShaderProgram(
                                    "#version 120\nattribute vec4 tangent;\nattribute vec4 unused;\n"
                                    "varying vec4 colour;\n"
                                    "void main() { colour = tangent + unused * 0.0; gl_Position = ftransform(); }\n",
                                    "#version 120\nvarying vec4 colour;\n"
                                    "void main() { gl_FragColor = vec4(colour.rgb * colour.a, 1.0); }\n",
                                    false)));
    Mesh quad;
    quad.vertices = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, -1, 0, 1, 1, 0, -1, 1, 0};
    quad.vertices_stride = 3;
    for (int i = 0; i < 6; ++i) quad.tangents.insert(quad.tangents.end(), {1.0f, 0.5f, 0.25f, 0.5f});
    quad.tangents_stride = 4;
    Material material;
    add(&quad, &material);
    renderer.render(false);
    expect_rgb_near(pixel(128, 128), 128, 64, 32, "tangent times its fourth component");
}
