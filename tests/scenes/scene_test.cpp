// The scene and effect bases: the declared GL state read back, reshape, the base slots' fatal
// reports and the parameter list of a post pass.
#include "scenes/scene/scene.h"

#include <gtest/gtest.h>

#include "effects/effect/effect.h"
#include "effects/effect/postproc.h"
#include "support/child_process.h"
#include "support/gl_fixture.h"

namespace {

class SceneGl : public GlTest {};

// Leaves every piece of state the reset covers away from its default.
void disturb_gl_state()
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glLineWidth(3.0f);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 0);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
    glBlendFunc(GL_ONE, GL_ONE);
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    const GLfloat ambient[4] = {0.9f, 0.8f, 0.7f, 0.6f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_Q);
    glMatrixMode(GL_TEXTURE);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(0.25f, 0.0f, 0.0f);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glDisable(GL_COLOR_MATERIAL);
    glEnable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT5);
    glEnable(GL_LIGHTING);
    glDisable(GL_NORMALIZE);
    glEnable(GL_TEXTURE_1D);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_CUBE_MAP);
    glClearDepth(0.5);
    glColorMaterial(GL_FRONT, GL_EMISSION);
    glDepthFunc(GL_GREATER);
    glShadeModel(GL_FLAT);
    GLuint names[2];
    glGenTextures(2, names);
    glBindTexture(GL_TEXTURE_1D, names[0]);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    // Per-unit state (texture matrix, generation, enables) above was set on unit 0, which the
    // reset works on when it is the active one.
    glActiveTexture(GL_TEXTURE0);
    const GLfloat some[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    glLightfv(GL_LIGHT2, GL_DIFFUSE, some);
    glEnable(GL_FRAMEBUFFER_SRGB_EXT);
}

bool enabled(GLenum cap)
{
    return glIsEnabled(cap) == GL_TRUE;
}

int get_int(GLenum name)
{
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}

float get_float(GLenum name)
{
    GLfloat value[16] = {};
    glGetFloatv(name, value);
    return value[0];
}

class PlainScene : public Scene {
public:
    void init() override {}
    void render() override {}
};

class ParamPass : public Effects::PostProc {
public:
    ParamPass()
    {
        name = "Test";
        add_param("One", 1.5f);
        add_param("Two", -2.0f);
    }
};

class BareScene : public Scene {};
class BareEffect : public Effects::Effect {};
class BarePass : public Effects::PostProc {};

} // namespace

TEST_F(SceneGl, ResetPutsEveryDeclaredStateBack)
{
    PlainScene scene;
    disturb_gl_state();
    scene.reset_gl_state();

    GLint polygon[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, polygon);
    EXPECT_EQ(polygon[0], GL_FILL);
    EXPECT_EQ(polygon[1], GL_FILL);
    EXPECT_FLOAT_EQ(get_float(GL_LINE_WIDTH), 1.0f);
    EXPECT_EQ(get_int(GL_LIGHT_MODEL_TWO_SIDE), 1);
    EXPECT_EQ(get_int(GL_LIGHT_MODEL_LOCAL_VIEWER), 1);
    EXPECT_EQ(get_int(GL_LIGHT_MODEL_COLOR_CONTROL), GL_SEPARATE_SPECULAR_COLOR);
    EXPECT_EQ(get_int(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(get_int(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    GLfloat v[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, v);
    EXPECT_EQ(std::vector<float>(v, v + 4), std::vector<float>(4, 0.0f));
    glGetFloatv(GL_CURRENT_COLOR, v);
    EXPECT_EQ(std::vector<float>(v, v + 4), std::vector<float>(4, 1.0f));
    EXPECT_EQ(get_int(GL_PERSPECTIVE_CORRECTION_HINT), GL_NICEST);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, v);
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));

    GLfloat matrix[16];
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    EXPECT_FLOAT_EQ(matrix[12], 0.0f);
    EXPECT_FLOAT_EQ(matrix[14], 0.0f);
    // The projection is left as it was; the matrix mode is modelview.
    glGetFloatv(GL_PROJECTION_MATRIX, matrix);
    EXPECT_FLOAT_EQ(matrix[12], 0.25f);
    EXPECT_EQ(get_int(GL_MATRIX_MODE), GL_MODELVIEW);

    struct Cap {
        GLenum cap;
        bool on;
    };
    const Cap caps[] = {
        {GL_TEXTURE_GEN_S, false}, {GL_TEXTURE_GEN_T, false}, {GL_TEXTURE_GEN_R, false},
        {GL_TEXTURE_GEN_Q, false}, {GL_SCISSOR_TEST, false},  {GL_ALPHA_TEST, false},
        {GL_BLEND, false},         {GL_COLOR_MATERIAL, true}, {GL_CULL_FACE, false},
        {GL_DEPTH_TEST, true},     {GL_LIGHT0, true},         {GL_LIGHT1, false},
        {GL_LIGHT5, false},        {GL_LIGHT7, false},        {GL_LIGHTING, false},
        {GL_MULTISAMPLE, true},    {GL_NORMALIZE, true},      {GL_TEXTURE_1D, false},
        {GL_TEXTURE_2D, false},    {GL_TEXTURE_CUBE_MAP, false}, {GL_FRAMEBUFFER_SRGB_EXT, false},
    };
    for (const Cap& c : caps) EXPECT_EQ(enabled(c.cap), c.on) << "capability 0x" << std::hex << c.cap;

    EXPECT_FLOAT_EQ(get_float(GL_DEPTH_CLEAR_VALUE), 1.0f);
    EXPECT_EQ(get_int(GL_COLOR_MATERIAL_FACE), GL_FRONT_AND_BACK);
    EXPECT_EQ(get_int(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    EXPECT_EQ(get_int(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_EQ(get_int(GL_SHADE_MODEL), GL_SMOOTH);

    EXPECT_EQ(get_int(GL_TEXTURE_BINDING_1D), 0);
    EXPECT_EQ(get_int(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE3);
    EXPECT_EQ(get_int(GL_TEXTURE_BINDING_2D), 0);
    glActiveTexture(GL_TEXTURE0);

    for (int i = 0; i < 8; ++i) {
        for (GLenum part : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION}) {
            glGetLightfv(GL_LIGHT0 + i, part, v);
            EXPECT_EQ(std::vector<float>(v, v + 4), std::vector<float>(4, 0.0f)) << "light " << i;
        }
    }
    EXPECT_EQ(get_int(GL_CURRENT_PROGRAM), 0);
}

// A scene that ends with unit 2 active (every bind leaves its unit active) still has unit 0's
// texture state put back: generation off, identity texture matrix, texturing switched off.
TEST_F(SceneGl, ResetPutsUnitZeroBackWhicheverUnitTheSceneEndedOn)
{
    PlainScene scene;
    disturb_gl_state(); // on unit 0
    glActiveTexture(GL_TEXTURE2);
    scene.reset_gl_state();

    EXPECT_EQ(get_int(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    for (GLenum cap : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q, GL_TEXTURE_1D,
                       GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP}) {
        EXPECT_FALSE(enabled(cap)) << "unit 0, capability 0x" << std::hex << cap;
    }
    GLfloat matrix[16];
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(matrix[i], i % 5 == 0 ? 1.0f : 0.0f) << "unit 0, element " << i;
}

TEST_F(SceneGl, DeclaredCapsAreApplied)
{
    PlainScene scene;
    scene.gl_caps.blend = true;
    scene.gl_caps.depth_test = false;
    scene.gl_caps.light[3] = true;
    scene.gl_caps.depth_func = GL_LEQUAL;
    scene.gl_caps.shade_model = GL_FLAT;
    scene.gl_caps.clear_depth = 0.25f;
    scene.reset_gl_state();
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    EXPECT_TRUE(enabled(GL_LIGHT3));
    EXPECT_EQ(get_int(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(get_int(GL_SHADE_MODEL), GL_FLAT);
    EXPECT_FLOAT_EQ(get_float(GL_DEPTH_CLEAR_VALUE), 0.25f);
}

TEST_F(SceneGl, ReshapeSetsViewportScissorAndPlainMatrices)
{
    PlainScene scene;
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(5.0f, 0.0f, 0.0f);
    glMatrixMode(GL_PROJECTION);
    glTranslatef(5.0f, 0.0f, 0.0f);
    scene.reshape(200, 120);
    EXPECT_EQ(scene.width, 200);
    EXPECT_EQ(scene.height, 120);
    GLint box[4] = {};
    glGetIntegerv(GL_VIEWPORT, box);
    EXPECT_EQ(std::vector<int>(box, box + 4), (std::vector<int>{0, 0, 200, 120}));
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(std::vector<int>(box, box + 4), (std::vector<int>{0, 0, 200, 120}));
    GLfloat matrix[16];
    glGetFloatv(GL_PROJECTION_MATRIX, matrix);
    EXPECT_FLOAT_EQ(matrix[12], 0.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_FLOAT_EQ(matrix[12], 0.0f);
    EXPECT_EQ(get_int(GL_MATRIX_MODE), GL_MODELVIEW);
    // The reset turns the scissor test off although reshape set a box.
    glEnable(GL_SCISSOR_TEST);
    scene.reset_gl_state();
    EXPECT_FALSE(enabled(GL_SCISSOR_TEST));
}

TEST(SceneBase, DefaultsAndSetters)
{
    PlainScene scene;
    EXPECT_FLOAT_EQ(scene.start_time, -10.0f);
    EXPECT_FLOAT_EQ(scene.end_time, 5000.0f);
    EXPECT_FLOAT_EQ(scene.aspect, 16.0f / 9.0f);
    unsigned char keys[82] = {};
    scene.set_key_state(keys);
    EXPECT_EQ(scene.key_state, keys);
    EXPECT_EQ(scene.input.get_key_state(), keys);
    scene.set_time_range(0.0f, 12.0f);
    EXPECT_FLOAT_EQ(scene.start_time, 0.0f);
    EXPECT_FLOAT_EQ(scene.end_time, 12.0f);
}

TEST(SceneBase, BaseSlotsEndWithTheirReports)
{
    struct Case {
        std::function<void()> body;
        std::string err;
    };
    const Case cases[] = {
        {[] { BareScene().init(); }, "Error\nError in file src\\scenes\\scene:170\n\n"},
        {[] { BareScene().render(); }, "Error\nError in file src\\scenes\\scene:175\n\n"},
        {[] { BareEffect().render(1.0f); }, "Error\nError in file src\\effects\\effect:17\n\n"},
        {[] { BarePass().set_uniforms(1, 1, 0.0f); },
         "Error in file src\\effects\\effect:64\nError in file src\\effects\\effect:64\n\n"
         "Well this shouldn't happen...\n"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_child(c.body);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.err, c.err);
    }
    // The release slot and prepare do nothing.
    ChildResult quiet = run_in_child([] {
        BareScene().release();
        BarePass().prepare(1, 1, 0.0f, nullptr);
    });
    EXPECT_EQ(quiet.exit_code, 0);
    EXPECT_EQ(quiet.err, "");
}

TEST(PostProcBase, ParametersByIndexAndOutOfRange)
{
    ParamPass pass;
    EXPECT_EQ(pass.get_name(), "Test");
    EXPECT_EQ(pass.get_param_names(), (std::vector<std::string>{"TestOne", "TestTwo"}));
    EXPECT_FLOAT_EQ(pass.get_param(0), 1.5f);
    EXPECT_FLOAT_EQ(pass.get_param(1), -2.0f);
    EXPECT_FLOAT_EQ(pass.get_param(-1), 0.0f);
    EXPECT_FLOAT_EQ(pass.get_param(2), 0.0f);
    pass.set_param(-1, 9.0f);
    pass.set_param(2, 9.0f);
    EXPECT_FLOAT_EQ(pass.get_param(0), 1.5f);
    EXPECT_FLOAT_EQ(pass.get_param(1), -2.0f);
    pass.set_param(1, 7.0f);
    EXPECT_FLOAT_EQ(pass.get_param(1), 7.0f);
}
