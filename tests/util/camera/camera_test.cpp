#include "util/camera/camera.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/gl_queries.h"

namespace {

const char* const CAMERA_SOURCE = "src\\util\\camera\\camera";

void expect_matrix_near(const Matrix4& actual, const Matrix4& expected, float tolerance)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
}

void expect_vector_near(const Vector3& actual, const Vector3& expected, float tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// The matrix GL builds from the same calls on an identity modelview.
Matrix4 gl_built(const std::function<void()>& calls)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    calls();
    Matrix4 m = gl_matrix(GL_MODELVIEW_MATRIX);
    glPopMatrix();
    return m;
}

void expect_fatal(const ChildResult& result, int line, const std::string& message)
{
    EXPECT_EQ(result.exit_code, 1) << result.err;
    std::string caption = "Error in file " + std::string(CAMERA_SOURCE) + ":" + std::to_string(line);
    EXPECT_EQ(result.err.rfind(caption + "\n", 0), 0u) << result.err;
    std::string tail = "\n\n" + message + "\n";
    ASSERT_GE(result.err.size(), tail.size()) << result.err;
    EXPECT_EQ(result.err.substr(result.err.size() - tail.size()), tail) << result.err;
}

class CameraTest : public GlTest {};

} // namespace

TEST(Camera, DefaultsAndSetters)
{
    Camera camera;
    expect_vector_near(camera.position, Vector3(0, 10, -150), 0);
    expect_vector_near(camera.up, Vector3(0, 0, -1), 0);
    expect_matrix_near(camera.get_view_matrix(), Matrix4(), 0);
    EXPECT_EQ(camera.fov, -1.0f);
    EXPECT_EQ(camera.hfov, -1.0f);
    EXPECT_EQ(camera.znear, 1.0f);
    EXPECT_EQ(camera.zfar, 1000.0f);

    camera.set_depth_range(6.0f);
    EXPECT_FLOAT_EQ(camera.znear, 0.006f);
    EXPECT_FLOAT_EQ(camera.zfar, 60.0f);
}

TEST(Camera, ZoomStartsFromTheDefaultFieldOfViewAndMovesASetHorizontalOne)
{
    Camera unset;
    unset.zoom(5.0f);
    EXPECT_EQ(unset.fov, 50.0f);
    EXPECT_EQ(unset.hfov, -1.0f);

    Camera set;
    set.set_fov(60.0f);
    set.hfov = 80.0f;
    set.zoom(-10.0f);
    EXPECT_EQ(set.fov, 50.0f);
    EXPECT_EQ(set.hfov, 70.0f);
}

TEST(Camera, PositionIsReadFromTheViewMatrix)
{
    Camera camera;
    camera.look_at(3, 4, 5, 0, 1, 0, 0, 1, 0);
    expect_vector_near(camera.get_position(), Vector3(3, 4, 5), 1e-4f);
    expect_vector_near(camera.target, Vector3(0, 1, 0), 0);
    expect_matrix_near(camera.get_view_matrix() * camera.get_inverse_view_matrix(), Matrix4(), 1e-5f);

    // The camera orbits the world origin: a yaw of 90 degrees takes the eye (0, 10, -150)
    // round to (150, 10, 0) while the stored position stays; a roll about the axis it looks
    // along leaves the eye where it is.
    Camera orbit;
    orbit.look_at(0, 10, -150, 0, 0, 0, 0, 1, 0);
    orbit.yaw(90.0f);
    expect_vector_near(orbit.get_position(), Vector3(150, 10, 0), 1e-3f);
    expect_vector_near(orbit.position, Vector3(0, 10, -150), 0);
    orbit.look_at(0, 0, 10, 0, 0, 0, 0, 1, 0);
    orbit.roll(90.0f);
    expect_vector_near(orbit.get_position(), Vector3(0, 0, 10), 1e-4f);
}

TEST_F(CameraTest, LookAtYawAndRollMatchGlsOwnMatrices)
{
    Camera camera;
    camera.look_at(3, 4, 5, 0, 1, 0, 0, 1, 0);
    expect_matrix_near(camera.get_view_matrix(), gl_built([] { gluLookAt(3, 4, 5, 0, 1, 0, 0, 1, 0); }), 1e-5f);
    camera.yaw(30.0f);
    camera.roll(-45.0f);
    Matrix4 expected = gl_built([] {
        gluLookAt(3, 4, 5, 0, 1, 0, 0, 1, 0);
        glRotatef(30.0f, 0, 1, 0);
        glRotatef(-45.0f, 0, 0, 1);
    });
    expect_matrix_near(camera.get_view_matrix(), expected, 1e-5f);

    glMatrixMode(GL_PROJECTION);
    camera.load_view_matrix();
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    expect_matrix_near(gl_matrix(GL_MODELVIEW_MATRIX), expected, 1e-5f);
}

TEST_F(CameraTest, LetterboxedViewportSpansTheFullWidth)
{
    struct Case {
        int width;
        int height;
        float aspect;
        std::vector<GLint> expected;
    };
    const Case cases[] = {
        {1280, 1024, 2.0f, {0, 192, 1280, 640}},
        {1280, 720, 1.25f, {0, -152, 1280, 1024}},
        // 16/9 as a float lies just above 16/9, so 1280 / aspect lies just below 720.
        {1280, 720, 16.0f / 9.0f, {0, 0, 1280, 719}},
        {640, 0, 4.0f / 3.0f, {0, -239, 640, 479}}, // height 0 counts as 1
    };
    for (const Case& c : cases) {
        Camera camera;
        camera.setup_projection(c.width, c.height, c.aspect, 1.0f);
        EXPECT_EQ(gl_viewport(), c.expected) << c.width << "x" << c.height << " at " << c.aspect;
    }

    Camera own;
    own.set_viewport(512, 512, 1.0f);
    own.setup_projection(1280, 720, 16.0f / 9.0f, 1.0f);
    EXPECT_EQ(gl_viewport(), (std::vector<GLint>{0, 0, 512, 512}));
    own.set_viewport(512, 0, 1.0f); // not all three set: the window's size holds
    own.setup_projection(1280, 1024, 2.0f, 1.0f);
    EXPECT_EQ(gl_viewport(), (std::vector<GLint>{0, 192, 1280, 640}));
}

TEST_F(CameraTest, FieldOfViewIsDerivedOnceAndReachesTheProjection)
{
    // gluPerspective puts 1 / tan(fov / 2) at element 5.
    auto projected_fov = [] {
        float f = gl_matrix(GL_PROJECTION_MATRIX).m[5];
        return static_cast<float>(2.0 * std::atan(1.0 / f) * 180.0 / M_PI);
    };

    Camera plain;
    plain.setup_projection(256, 256, 1.0f, 1.0f);
    EXPECT_EQ(plain.fov, 45.0f);
    EXPECT_NEAR(projected_fov(), 45.0f, 1e-3f);
    plain.hfov = 120.0f;
    plain.setup_projection(256, 256, 1.0f, 1.0f);
    EXPECT_EQ(plain.fov, 45.0f);

    Camera wide;
    wide.hfov = 90.0f;
    wide.setup_projection(256, 128, 2.0f, 1.0f);
    EXPECT_EQ(wide.fov, 45.0f);
    EXPECT_NEAR(projected_fov(), 45.0f, 1e-3f);
    wide.zoom(5.0f);
    EXPECT_EQ(wide.fov, 50.0f);
    EXPECT_EQ(wide.hfov, 95.0f);

    // The projection follows the aspect and the depth planes; the view is left loaded.
    Camera camera;
    camera.look_at(1, 2, 3, 0, 0, 0, 0, 1, 0);
    camera.set_fov(60.0f);
    camera.set_znear_zfar(0.5f, 50.0f);
    camera.setup_projection(200, 100, 2.0f, 1.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    expect_matrix_near(gl_matrix(GL_MODELVIEW_MATRIX), camera.get_view_matrix(), 0);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(60.0, 2.0, 0.5, 50.0);
    Matrix4 expected = gl_matrix(GL_PROJECTION_MATRIX);
    glPopMatrix();
    expect_matrix_near(gl_matrix(GL_PROJECTION_MATRIX), expected, 1e-6f);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(CameraTest, EdgeValuesThatPass)
{
    Camera camera;
    camera.setup_projection(10000, 10000, 1.0f, 1.0f);
    EXPECT_EQ(gl_viewport(), (std::vector<GLint>{0, 0, 10000, 10000}));
    camera.set_znear(0.0f);
    camera.setup_projection(256, 256, 1.0f, 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(CameraFailures, BadSizesAspectsAndPlanesAreFatal)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        int width;
        int height;
        float aspect;
        float znear;
        int line;
        std::string message;
    };
    const Case cases[] = {
        {10001, 720, 1.0f, 1.0f, 334, "Sanity check failed on width/height 10001/720"},
        {640, 10001, 1.0f, 1.0f, 334, "Sanity check failed on width/height 640/10001"},
        {-1, 480, 1.0f, 1.0f, 334, "Sanity check failed on width/height -1/480"},
        {640, 480, 0.0f, 1.0f, 334, "Sanity check failed on aspect 0"},
        {640, 480, -1.5f, 1.0f, 334, "Sanity check failed on aspect -1.5"},
        {640, 480, nan, 1.0f, 334, "Sanity check failed on aspect nan"},
        {640, 480, inf, 1.0f, 334, "Sanity check failed on aspect inf"},
        {640, 480, 1e-30f, 1.0f, 334, "Sanity check failed on aspect 1e-30"},
        {640, 480, 1.0f, -0.5f, 368, "Invalid znear/zfar of -0.5/1000"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_gl_child([&] {
            Camera camera;
            camera.set_znear(c.znear);
            camera.setup_projection(c.width, c.height, c.aspect, 1.0f);
        });
        expect_fatal(result, c.line, c.message);
    }
}
