// A 4 x 4 float matrix in OpenGL's column-major order: the element of column c and row r is
// m[c * 4 + r], so a translation stands at 12, 13 and 14. Default: identity. The transforms
// post-multiply (this = this x X), as OpenGL's matrix calls do.
#pragma once

#include "util/math/vector3.h"
#include "util/math/vector4.h"

class Matrix4 {
public:
    float m[16];

    Matrix4();
    // Sixteen floats in storage (column-major) order.
    Matrix4(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7,
            float m8, float m9, float m10, float m11, float m12, float m13, float m14, float m15);
    Matrix4(const Matrix4& other) = default;
    Matrix4& operator=(const Matrix4& other) = default;

    void set_identity();
    // Element 0..15; 0 for any other index.
    float get(int index) const;
    // Ignores indices outside 0..15.
    void set(int index, float value);
    float element(int column, int row) const { return get(column * 4 + row); }
    float* get_ptr() { return m; }
    const float* get_ptr() const { return m; }

    Matrix4 operator*(const Matrix4& other) const;
    Vector4 operator*(const Vector4& v) const;
    Matrix4 operator*(float s) const;
    // An unchanged copy for 0 and 1, otherwise this x (1 / s).
    Matrix4 operator/(float s) const;

    Matrix4 get_transpose() const;
    void transpose();

    // v = M (v, 1) divided by the result's w.
    void transform_point(Vector3& v) const;

    // Overwrites the matrix with the perspective projection of glFrustum over the symmetric
    // view volume of fovy degrees.
    void set_perspective(float fovy, float aspect, float near_plane, float far_plane);

    // Post-multiplying transforms, as glTranslatef, glRotatef (angle in degrees) and
    // gluLookAt.
    void translate(float x, float y, float z);
    void rotate(float angle, float x, float y, float z);
    void look_at(float eye_x, float eye_y, float eye_z, float centre_x, float centre_y,
                 float centre_z, float up_x, float up_y, float up_z);

    // The transpose of the inverse; the identity for a singular matrix.
    Matrix4 get_inverse_transpose() const;
    // The inverse; the identity for a singular matrix.
    Matrix4 get_inverse() const;
};
