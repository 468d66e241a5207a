// Matrix4 against the matrices that GL and GLU build themselves.
#include <algorithm>
#include <cmath>
#include <functional>

#include "support/gl_fixture.h"

#include <GL/glu.h>
#include "util/math/matrix4.h"

namespace {

class Matrix4GlTest : public GlTest {
protected:
    // Runs the GL calls on a fresh matrix of the given stack and returns what GL holds.
    static Matrix4 gl_matrix(GLenum mode, const std::function<void()>& calls)
    {
        glMatrixMode(mode);
        glLoadIdentity();
        calls();
        Matrix4 result;
        glGetFloatv(mode == GL_PROJECTION ? GL_PROJECTION_MATRIX : GL_MODELVIEW_MATRIX, result.m);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        return result;
    }

    static void expect_near(const Matrix4& ours, const Matrix4& gl)
    {
        for (int i = 0; i < 16; ++i) {
            float scale = std::max(1.0f, std::fabs(gl.m[i]));
            EXPECT_NEAR(ours.m[i], gl.m[i], 2e-6f * scale) << "index " << i;
        }
    }
};

} // namespace

TEST_F(Matrix4GlTest, TransformsPostMultiplyLikeGl)
{
    struct Case {
        const char* name;
        std::function<void(Matrix4&)> ours;
        std::function<void()> gl;
    };
    const Case cases[] = {
        {"translate", [](Matrix4& m) { m.translate(1.5f, -2.0f, 3.25f); },
         [] { glTranslatef(1.5f, -2.0f, 3.25f); }},
        {"rotate about a skew axis", [](Matrix4& m) { m.rotate(33.0f, 1.0f, -2.0f, 0.5f); },
         [] { glRotatef(33.0f, 1.0f, -2.0f, 0.5f); }},
        {"rotate by a negative angle", [](Matrix4& m) { m.rotate(-120.0f, 0.0f, 1.0f, 0.0f); },
         [] { glRotatef(-120.0f, 0.0f, 1.0f, 0.0f); }},
        {"rotate then translate",
         [](Matrix4& m) {
             m.rotate(75.0f, 0.0f, 0.0f, 3.0f);
             m.translate(2.0f, 1.0f, -4.0f);
             m.rotate(20.0f, 1.0f, 1.0f, 0.0f);
         },
         [] {
             glRotatef(75.0f, 0.0f, 0.0f, 3.0f);
             glTranslatef(2.0f, 1.0f, -4.0f);
             glRotatef(20.0f, 1.0f, 1.0f, 0.0f);
         }},
        {"look at", [](Matrix4& m) { m.look_at(3.0f, 4.0f, 5.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f); },
         [] { gluLookAt(3.0, 4.0, 5.0, 0.0, 1.0, 0.0, 0.0, 1.0, 0.0); }},
        {"look at with a tilted up, after a translation",
         [](Matrix4& m) {
             m.translate(0.5f, 0.0f, -1.0f);
             m.look_at(-2.0f, 1.0f, 7.0f, 1.0f, -1.0f, -3.0f, 0.3f, 1.0f, 0.2f);
         },
         [] {
             glTranslatef(0.5f, 0.0f, -1.0f);
             gluLookAt(-2.0, 1.0, 7.0, 1.0, -1.0, -3.0, 0.3, 1.0, 0.2);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Matrix4 ours;
        c.ours(ours);
        expect_near(ours, gl_matrix(GL_MODELVIEW, c.gl));
    }
}

TEST_F(Matrix4GlTest, PerspectiveIsGlFrustum)
{
    struct Case {
        float fovy, aspect, n, f;
    };
    const Case cases[] = {{45.0f, 16.0f / 9.0f, 0.1f, 1000.0f}, {90.0f, 1.0f, 1.0f, 10.0f},
                          {60.0f, 4.0f / 3.0f, 0.5f, 200.0f}};
    for (const Case& c : cases) {
        // Every element is overwritten, whatever the matrix held.
        Matrix4 ours(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
        ours.set_perspective(c.fovy, c.aspect, c.n, c.f);
        float t = std::tan(c.fovy * 3.1415927f / 360.0f) * c.n;
        float r = t * c.aspect;
        Matrix4 gl = gl_matrix(GL_PROJECTION, [&] { glFrustum(-r, r, -t, t, c.n, c.f); });
        SCOPED_TRACE(c.fovy);
        expect_near(ours, gl);
    }
}
