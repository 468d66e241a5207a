#include "util/light/light.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/gl_queries.h"
#include "util/fbo/fbo.h"

namespace {

const char* const LIGHT_SOURCE = "src\\util\\light\\light";

std::vector<float> light_value(GLenum light, GLenum what, int count)
{
    std::vector<float> v(4, -99.0f);
    glGetLightfv(light, what, v.data());
    v.resize(static_cast<size_t>(count));
    return v;
}

void expect_matrix_near(const Matrix4& actual, const Matrix4& expected, float tolerance)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
}

Vector3 transformed(const Matrix4& m, const Vector3& v)
{
    Vector3 p = v;
    m.transform_point(p);
    return p;
}

void expect_vector_near(const Vector3& actual, const Vector3& expected, float tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Loads identities and a clean fixed-function state, so no earlier case's state matters.
void reset_state()
{
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_CUBE_MAP);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glUseProgram(0);
}

// The depth values of one cube face of a light's shadow map.
std::vector<float> face_depths(const Light& light, int face)
{
    int size = light.get_shadow_size();
    std::vector<float> depths(static_cast<size_t>(size) * size, -1.0f);
    glBindTexture(GL_TEXTURE_CUBE_MAP, light.get_shadow_texture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face), 0, GL_DEPTH_COMPONENT,
                  GL_FLOAT, depths.data());
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return depths;
}

GLint face_edge(const Light& light)
{
    GLint width = 0;
    glBindTexture(GL_TEXTURE_CUBE_MAP, light.get_shadow_texture());
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, GL_TEXTURE_WIDTH, &width);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return width;
}

bool ends_with(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

class LightTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        reset_state();
    }
};

} // namespace

TEST(Light, DefaultsAndDerivedFactors)
{
    Light light;
    EXPECT_EQ(light.get_type(), LIGHT_POINT);
    expect_vector_near(light.get_position(), Vector3(0, 0, 0), 0);
    EXPECT_FLOAT_EQ(light.get_constant_attenuation(), 1.0f);
    EXPECT_FLOAT_EQ(light.get_linear_attenuation(), 1.0f / (10.0f * std::sqrt(300.0f)));
    EXPECT_EQ(light.get_quadratic_attenuation(), 0.0f);
    EXPECT_FLOAT_EQ(light.get_znear(), 0.01f);
    EXPECT_FLOAT_EQ(light.get_zfar(), 20.0f);
    Matrix4 projection;
    projection.set_perspective(90.0f, 1.0f, 0.01f, 20.0f);
    expect_matrix_near(light.get_projection_matrix(), projection, 1e-6f);
    EXPECT_FLOAT_EQ(light.ambient.x, 0.002f);
    EXPECT_EQ(light.diffuse.w, 1.0f);
    EXPECT_EQ(light.get_shadow_size(), Light::DEFAULT_SHADOW_SIZE);
    EXPECT_FALSE(light.get_casts_shadows());

    light.set_range(100.0f);
    EXPECT_FLOAT_EQ(light.get_znear(), 0.1f);
    EXPECT_FLOAT_EQ(light.get_zfar(), 200.0f);
    projection.set_perspective(90.0f, 1.0f, 0.1f, 200.0f);
    expect_matrix_near(light.get_projection_matrix(), projection, 1e-6f);

    light.set_attenuation_range(20.0f);
    EXPECT_FLOAT_EQ(light.get_linear_attenuation(), 0.01f);
    light.set_position(1, 2, 3);
    light.set_attenuation_from(Vector3(1, 2, 8));
    EXPECT_FLOAT_EQ(light.get_linear_attenuation(), 0.02f);
    expect_matrix_near(light.get_translation_matrix(),
                       Matrix4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1), 0);
}

TEST(Light, EachFaceLooksAlongItsAxisFromTheLight)
{
    struct Case {
        Vector3 direction;
        Vector3 up;
    };
    const Case faces[6] = {
        {{1, 0, 0}, {0, -1, 0}}, {{-1, 0, 0}, {0, -1, 0}}, {{0, 1, 0}, {0, 0, 1}},
        {{0, -1, 0}, {0, 0, -1}}, {{0, 0, 1}, {0, -1, 0}}, {{0, 0, -1}, {0, -1, 0}},
    };
    Light light;
    light.set_position(0, 5, 0);
    for (int face = 0; face < 6; ++face) {
        Matrix4 view = light.get_face_view(face) * light.get_translation_matrix();
        Vector3 eye(0, 5, 0);
        expect_vector_near(transformed(view, eye), Vector3(0, 0, 0), 1e-6f);
        expect_vector_near(transformed(view, eye + faces[face].direction), Vector3(0, 0, -1), 1e-6f);
        expect_vector_near(transformed(view, eye + faces[face].up), Vector3(0, 1, 0), 1e-6f);
    }
    expect_matrix_near(light.get_face_view(6), Matrix4(), 0);
}

TEST_F(LightTest, ApplySendsThePointLightInEyeSpace)
{
    Light light;
    light.set_position(1, 2, 3);
    light.set_diffuse(0.5f, 0.25f, 1.0f, 1.0f);
    light.set_attenuation(2.0f, 0.5f, 0.125f);
    glDisable(GL_LIGHT2);
    glTranslatef(10, 20, 30);
    light.apply(2);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_POSITION, 4), (std::vector<float>{11, 22, 33, 1}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_DIFFUSE, 4), (std::vector<float>{0.5f, 0.25f, 1.0f, 1.0f}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_SPECULAR, 4), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_AMBIENT, 4), (std::vector<float>{0.002f, 0.002f, 0.002f, 1}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_SPOT_CUTOFF, 1), (std::vector<float>{180}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_SPOT_EXPONENT, 1), (std::vector<float>{0}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_CONSTANT_ATTENUATION, 1), (std::vector<float>{2.0f}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_LINEAR_ATTENUATION, 1), (std::vector<float>{0.5f}));
    EXPECT_EQ(light_value(GL_LIGHT2, GL_QUADRATIC_ATTENUATION, 1), (std::vector<float>{0.125f}));
}

TEST_F(LightTest, AnAmbientLightSetsOnlyTheGlobalAmbientColour)
{
    const float before[4] = {0.3f, 0.4f, 0.5f, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, before);
    glLightfv(GL_LIGHT0, GL_AMBIENT, before);
    glDisable(GL_LIGHT0);

    Light ambient(LIGHT_AMBIENT);
    ambient.set_ambient(0.1f, 0.2f, 0.3f, 1.0f);
    ambient.apply(0);
    std::vector<float> model(4);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, model.data());
    EXPECT_EQ(model, (std::vector<float>{0.1f, 0.2f, 0.3f, 1.0f}));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(light_value(GL_LIGHT0, GL_DIFFUSE, 4), (std::vector<float>{0.3f, 0.4f, 0.5f, 1.0f}));
    EXPECT_EQ(light_value(GL_LIGHT0, GL_AMBIENT, 4), (std::vector<float>{0.3f, 0.4f, 0.5f, 1.0f}));
    const float standard[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, standard);
}

TEST_F(LightTest, ShadowCubeIsMadeOnDemandAndFollowsResizes)
{
    Light light;
    light.resize_shadow_map(800, 600); // no cube yet: only remembered
    EXPECT_EQ(light.get_shadow_texture(), 0u);
    EXPECT_EQ(light.get_shadow_size(), 1024);

    light.set_casts_shadows(true);
    ASSERT_NE(light.get_shadow_texture(), 0u);
    EXPECT_NE(light.get_shadow_framebuffer(), 0u);
    EXPECT_EQ(face_edge(light), 1024);
    glBindTexture(GL_TEXTURE_CUBE_MAP, light.get_shadow_texture());
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, GL_DEPTH_COMPONENT24);
    GLint compare = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_MODE, &compare);
    EXPECT_EQ(compare, GL_COMPARE_R_TO_TEXTURE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    light.resize_shadow_map(800, 600); // the remembered size: nothing changes
    EXPECT_EQ(face_edge(light), 1024);
    light.resize_shadow_map(640, 480);
    EXPECT_EQ(light.get_shadow_size(), 640);
    EXPECT_EQ(face_edge(light), 640);
    // A width below 1 still gives a usable cube.
    light.resize_shadow_map(0, 480);
    EXPECT_EQ(light.get_shadow_size(), 1);
    EXPECT_EQ(face_edge(light), 1);
    light.resize_shadow_map(-7, 480);
    EXPECT_EQ(face_edge(light), 1);

    glActiveTexture(GL_TEXTURE3);
    light.bind_shadow_map();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(gl_integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(light.get_shadow_texture()));
    glDisable(GL_TEXTURE_CUBE_MAP);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(LightTest, AQuadDrawnIntoFaceZeroLandsInItsDepth)
{
    const int size = 32;
    Light light;
    light.set_position(1, 1, 1);
    light.set_casts_shadows(true);
    light.resize_shadow_map(size, size);
    ASSERT_EQ(light.get_shadow_size(), size);

    light.begin_shadow_face(0);
    // Five units along +X from the light, covering half the face; a quad behind the light
    // must not show.
    glBegin(GL_QUADS);
    glVertex3f(6, -20, 1);
    glVertex3f(6, 20, 1);
    glVertex3f(6, 20, 21);
    glVertex3f(6, -20, 21);
    glVertex3f(-4, -20, -20);
    glVertex3f(-4, 20, -20);
    glVertex3f(-4, 20, 20);
    glVertex3f(-4, -20, 20);
    glEnd();
    light.end_shadow_face();

    // Window depth of eye distance 5 under the 0.01 .. 20 projection.
    const double n = 0.01, f = 20.0, d = 5.0;
    const double expected = 0.5 * ((f + n) / (f - n) - 2.0 * f * n / ((f - n) * d)) + 0.5;
    int near_count = 0;
    int cleared_count = 0;
    for (float depth : face_depths(light, 0)) {
        if (std::fabs(depth - expected) < 1e-4) ++near_count;
        else if (depth == 1.0f) ++cleared_count;
    }
    EXPECT_EQ(near_count, size * size / 2);
    EXPECT_EQ(cleared_count, size * size / 2);
}

TEST_F(LightTest, ShadowFaceSavesAndRestoresTheTarget)
{
    FBO target(64, 32, FBO_TYPE_COLOR);
    struct Case {
        const char* name;
        GLuint framebuffer;
        GLenum buffer;
    };
    const Case cases[] = {
        {"window", 0, GL_FRONT},
        {"framebuffer object", target.get_id(), GL_COLOR_ATTACHMENT0_EXT},
    };
    Light light;
    light.set_position(2, 0, 0);
    light.set_casts_shadows(true);
    light.resize_shadow_map(16, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_state();
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, c.framebuffer);
        glDrawBuffer(c.buffer);
        glReadBuffer(c.buffer);
        glViewport(3, 4, 50, 20);
        glEnable(GL_LIGHTING);
        glDepthFunc(GL_GREATER);
        glCullFace(GL_BACK);
        glMatrixMode(GL_PROJECTION);
        glOrtho(-1, 2, -3, 4, -5, 6);
        Matrix4 projection = gl_matrix(GL_PROJECTION_MATRIX);
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(7, 8, 9);
        Matrix4 modelview = gl_matrix(GL_MODELVIEW_MATRIX);
        GLint projection_depth = gl_integer(GL_PROJECTION_STACK_DEPTH);
        GLint modelview_depth = gl_integer(GL_MODELVIEW_STACK_DEPTH);
        GLint attribute_depth = gl_integer(GL_ATTRIB_STACK_DEPTH);

        light.begin_shadow_face(3);
        EXPECT_TRUE(light.shadow_face_active());
        EXPECT_EQ(gl_integer(GL_FRAMEBUFFER_BINDING_EXT), static_cast<GLint>(light.get_shadow_framebuffer()));
        EXPECT_EQ(gl_integer(GL_DRAW_BUFFER), GL_NONE);
        EXPECT_EQ(gl_viewport(), (std::vector<GLint>{0, 0, 16, 16}));
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_TRUE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
        EXPECT_EQ(gl_integer(GL_CULL_FACE_MODE), GL_FRONT);
        expect_matrix_near(gl_matrix(GL_MODELVIEW_MATRIX),
                           light.get_face_view(3) * light.get_translation_matrix(), 0);
        expect_matrix_near(gl_matrix(GL_PROJECTION_MATRIX), light.get_projection_matrix(), 0);
        light.end_shadow_face();

        EXPECT_FALSE(light.shadow_face_active());
        EXPECT_EQ(gl_integer(GL_FRAMEBUFFER_BINDING_EXT), static_cast<GLint>(c.framebuffer));
        EXPECT_EQ(gl_integer(GL_DRAW_BUFFER), static_cast<GLint>(c.buffer));
        EXPECT_EQ(gl_integer(GL_READ_BUFFER), static_cast<GLint>(c.buffer));
        EXPECT_EQ(gl_viewport(), (std::vector<GLint>{3, 4, 50, 20}));
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_EQ(gl_integer(GL_DEPTH_FUNC), GL_GREATER);
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
        EXPECT_EQ(gl_integer(GL_CULL_FACE_MODE), GL_FRONT); // not among the saved state
        EXPECT_EQ(gl_integer(GL_MATRIX_MODE), GL_MODELVIEW);
        EXPECT_EQ(gl_integer(GL_PROJECTION_STACK_DEPTH), projection_depth);
        EXPECT_EQ(gl_integer(GL_MODELVIEW_STACK_DEPTH), modelview_depth);
        EXPECT_EQ(gl_integer(GL_ATTRIB_STACK_DEPTH), attribute_depth);
        expect_matrix_near(gl_matrix(GL_MODELVIEW_MATRIX), modelview, 0);
        glMatrixMode(GL_PROJECTION);
        expect_matrix_near(gl_matrix(GL_PROJECTION_MATRIX), projection, 0);
    }
    reset_state();
}

TEST_F(LightTest, AnEndAfterABeginThatDidNothingPopsNothing)
{
    Light without_shadows;
    Light with_shadows;
    with_shadows.set_casts_shadows(true);
    const std::function<void()> begins[] = {
        [&] { without_shadows.begin_shadow_face(0); },
        [&] { with_shadows.begin_shadow_face(6); },
        [&] { with_shadows.begin_shadow_face(-1); },
        [] {},
    };
    for (const auto& begin : begins) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glPushAttrib(GL_LIGHTING_BIT);
        GLint depths[3] = {gl_integer(GL_PROJECTION_STACK_DEPTH), gl_integer(GL_MODELVIEW_STACK_DEPTH),
                           gl_integer(GL_ATTRIB_STACK_DEPTH)};
        begin();
        without_shadows.end_shadow_face();
        with_shadows.end_shadow_face();
        EXPECT_EQ(gl_integer(GL_PROJECTION_STACK_DEPTH), depths[0]);
        EXPECT_EQ(gl_integer(GL_MODELVIEW_STACK_DEPTH), depths[1]);
        EXPECT_EQ(gl_integer(GL_ATTRIB_STACK_DEPTH), depths[2]);
        EXPECT_TRUE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
        EXPECT_EQ(gl_integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
        glPopAttrib();
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
}

TEST(LightFailures, BadParametersAreFatal)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::function<void()> body;
        std::string message;
    };
    const Case cases[] = {
        {[] { Light(7).apply(0); }, "Unrecognized light type 7"},
        {[] { Light().set_attenuation_range(0.0f); }, "Invalid attenuation range 0"},
        {[] { Light().set_attenuation_range(-4.0f); }, "Invalid attenuation range -4"},
        {[=] { Light().set_attenuation_range(nan); }, "Invalid attenuation range nan"},
        {[] { Light().set_attenuation_from(Vector3(0, 0, 0)); }, "Invalid attenuation distance 0"},
        {[] { Light().set_range(0.0f); }, "Invalid shadow znear/zfar of 0/0"},
        {[] { Light().set_znear_zfar(2.0f, 1.0f); }, "Invalid shadow znear/zfar of 2/1"},
        {[] {
             Light light;
             light.set_casts_shadows(true);
             light.begin_shadow_face(0);
             light.begin_shadow_face(1);
         },
         "Failed assert !face_active"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_gl_child(c.body);
        EXPECT_EQ(result.exit_code, 1) << c.message;
        EXPECT_EQ(result.err.rfind("Error in file " + std::string(LIGHT_SOURCE) + ":", 0), 0u) << result.err;
        EXPECT_TRUE(ends_with(result.err, "\n\n" + c.message + "\n")) << result.err;
    }
    ChildResult type = run_in_child([] { Light(0).apply(1); });
    EXPECT_EQ(type.err.rfind("Error in file src\\util\\light\\light:480\n", 0), 0u) << type.err;
}
