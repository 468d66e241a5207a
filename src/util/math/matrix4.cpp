#include "util/math/matrix4.h"

#include <cmath>

Matrix4::Matrix4()
{
    set_identity();
}

Matrix4::Matrix4(float m0, float m1, float m2, float m3, float m4, float m5, float m6,
                 float m7, float m8, float m9, float m10, float m11, float m12, float m13,
                 float m14, float m15)
    : m{m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15}
{
}

void Matrix4::set_identity()
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

float Matrix4::get(int index) const
{
    if (index < 0 || index > 15) return 0.0f;
    return m[index];
}

void Matrix4::set(int index, float value)
{
    if (index < 0 || index > 15) return;
    m[index] = value;
}

Matrix4 Matrix4::operator*(const Matrix4& other) const
{
    Matrix4 product;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += m[k * 4 + r] * other.m[c * 4 + k];
            product.m[c * 4 + r] = sum;
        }
    }
    return product;
}

Vector4 Matrix4::operator*(const Vector4& v) const
{
    Vector4 result;
    for (int r = 0; r < 4; ++r) {
        result[r] = m[r] * v.x + m[4 + r] * v.y + m[8 + r] * v.z + m[12 + r] * v.w;
    }
    return result;
}

Matrix4 Matrix4::operator*(float s) const
{
    Matrix4 scaled(*this);
    for (float& element : scaled.m) element *= s;
    return scaled;
}

Matrix4 Matrix4::operator/(float s) const
{
    if (s == 0.0f || s == 1.0f) return *this;
    return *this * (1.0f / s);
}

Matrix4 Matrix4::get_transpose() const
{
    Matrix4 transposed(*this);
    transposed.transpose();
    return transposed;
}

void Matrix4::transpose()
{
    for (int c = 0; c < 4; ++c) {
        for (int r = c + 1; r < 4; ++r) {
            float t = m[c * 4 + r];
            m[c * 4 + r] = m[r * 4 + c];
            m[r * 4 + c] = t;
        }
    }
}

void Matrix4::transform_point(Vector3& v) const
{
    Vector4 p = *this * Vector4(v, 1.0f);
    v.set(p.x / p.w, p.y / p.w, p.z / p.w);
}

void Matrix4::set_perspective(float fovy, float aspect, float n, float f)
{
    float t = std::tan(fovy * 3.1415927f / 360.0f) * n;
    float r = t * aspect;
    float l = -r;
    float b = -t;
    for (float& element : m) element = 0.0f;
    m[0] = 2.0f * n / (r - l);
    m[5] = 2.0f * n / (t - b);
    m[8] = (r + l) / (r - l);
    m[9] = (t + b) / (t - b);
    m[10] = (-n - f) / (f - n);
    m[11] = -1.0f;
    m[14] = -2.0f * n * f / (f - n);
}

void Matrix4::translate(float x, float y, float z)
{
    Vector4 moved = *this * Vector4(x, y, z, 1.0f);
    m[12] = moved.x;
    m[13] = moved.y;
    m[14] = moved.z;
}

void Matrix4::rotate(float angle, float x, float y, float z)
{
    float length = std::sqrt(x * x + y * y + z * z);
    if (length < 0.0001f) return;
    x /= length;
    y /= length;
    z /= length;
    float a = angle * 0.017453292f;
    float c = std::cos(a);
    float s = std::sin(a);
    float k = 1.0f - c;
    Matrix4 rotation(c + k * x * x, k * x * y + s * z, k * x * z - s * y, 0.0f,
                     k * x * y - s * z, c + k * y * y, k * y * z + s * x, 0.0f,
                     k * x * z + s * y, k * y * z - s * x, c + k * z * z, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
    *this = *this * rotation;
}

void Matrix4::look_at(float eye_x, float eye_y, float eye_z, float centre_x, float centre_y,
                      float centre_z, float up_x, float up_y, float up_z)
{
    Vector3 f = Vector3(centre_x - eye_x, centre_y - eye_y, centre_z - eye_z);
    f.normalize();
    Vector3 s = Vector3::cross(f, Vector3(up_x, up_y, up_z));
    s.normalize();
    Vector3 u = Vector3::cross(s, f);
    // The rows are s, u and -f; stored column by column.
    Matrix4 view(s.x, u.x, -f.x, 0.0f,
                 s.y, u.y, -f.y, 0.0f,
                 s.z, u.z, -f.z, 0.0f,
                 0.0f, 0.0f, 0.0f, 1.0f);
    *this = *this * view;
    translate(-eye_x, -eye_y, -eye_z);
}

namespace {

// The determinant of the 3 x 3 matrix left when column `skip_column` and row `skip_row` of
// the column-major matrix m are removed.
float minor_determinant(const float* m, int skip_column, int skip_row)
{
    float a[9];
    int n = 0;
    for (int c = 0; c < 4; ++c) {
        if (c == skip_column) continue;
        for (int r = 0; r < 4; ++r) {
            if (r == skip_row) continue;
            a[n++] = m[c * 4 + r];
        }
    }
    // a is column-major: a[c * 3 + r].
    return a[0] * (a[4] * a[8] - a[7] * a[5]) - a[3] * (a[1] * a[8] - a[7] * a[2]) +
           a[6] * (a[1] * a[5] - a[4] * a[2]);
}

} // namespace

Matrix4 Matrix4::get_inverse_transpose() const
{
    // Element i of the cofactor matrix is the cofactor of element i; divided by the
    // determinant it is the transpose of the inverse.
    Matrix4 cofactors;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sign = ((c + r) % 2 == 0) ? 1.0f : -1.0f;
            cofactors.m[c * 4 + r] = sign * minor_determinant(m, c, r);
        }
    }
    float determinant = m[0] * cofactors.m[0] + m[1] * cofactors.m[1] + m[2] * cofactors.m[2] +
                        m[3] * cofactors.m[3];
    if (determinant == 0.0f) return Matrix4();
    return cofactors / determinant;
}

Matrix4 Matrix4::get_inverse() const
{
    return get_inverse_transpose().get_transpose();
}
