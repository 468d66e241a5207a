#include "util/math/matrix4.h"

#include <gtest/gtest.h>

namespace {

Matrix4 sample()
{
    // A general matrix: rotation, scale, translation and a projective bottom row.
    return Matrix4(2.0f, 1.0f, 0.0f, 0.5f, -1.0f, 3.0f, 1.0f, 0.0f, 0.0f, 2.0f, 1.0f, 0.25f,
                   4.0f, -2.0f, 1.0f, 1.0f);
}

void expect_matrix_near(const Matrix4& got, const Matrix4& expected, float tolerance)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(got.m[i], expected.m[i], tolerance) << "index " << i;
}

void expect_matrix_eq(const Matrix4& got, const Matrix4& expected)
{
    for (int i = 0; i < 16; ++i) EXPECT_EQ(got.m[i], expected.m[i]) << "index " << i;
}

Matrix4 translation(float x, float y, float z)
{
    Matrix4 t;
    t.translate(x, y, z);
    return t;
}

} // namespace

TEST(Matrix4, StorageIsColumnMajorAndIndicesOutsideAreInert)
{
    Matrix4 a = sample();
    EXPECT_EQ(Matrix4().get(5), 1.0f);
    EXPECT_EQ(Matrix4().get(4), 0.0f);
    EXPECT_EQ(a.element(3, 0), 4.0f); // column 3, row 0
    EXPECT_EQ(a.element(0, 3), 0.5f);
    EXPECT_EQ(a.get(16), 0.0f);
    EXPECT_EQ(a.get(-1), 0.0f);
    Matrix4 b = a;
    b.set(16, 9.0f);
    b.set(-1, 9.0f);
    expect_matrix_eq(b, a);
    b.set(15, 9.0f);
    EXPECT_EQ(b.get_ptr()[15], 9.0f);
    b.set_identity();
    expect_matrix_eq(b, Matrix4());

    Matrix4 t = a.get_transpose();
    EXPECT_EQ(t.element(0, 3), a.element(3, 0));
    t.transpose();
    expect_matrix_eq(t, a);
}

TEST(Matrix4, ProductsWithMatricesVectorsAndScalars)
{
    Matrix4 a = sample();
    Matrix4 t = translation(1.0f, 2.0f, 3.0f);
    // this x T moves the origin of the right-hand side: column 3 of the product is a x (1,2,3,1).
    Matrix4 at = a * t;
    Vector4 column3 = a * Vector4(1.0f, 2.0f, 3.0f, 1.0f);
    EXPECT_EQ(at.m[12], column3.x);
    EXPECT_EQ(at.m[13], column3.y);
    EXPECT_EQ(at.m[14], column3.z);
    EXPECT_EQ(at.m[15], column3.w);
    EXPECT_EQ(column3.x, 2.0f * 1 - 1.0f * 2 + 0.0f * 3 + 4.0f);
    // (T x a) applies a first, then moves.
    Matrix4 ta = t * a;
    EXPECT_EQ(ta.m[0], 2.0f + 1.0f * 0.5f);
    expect_matrix_eq(a * Matrix4(), a);
    expect_matrix_eq(Matrix4() * a, a);

    Vector4 moved = t * Vector4(1.0f, 1.0f, 1.0f, 5.0f);
    EXPECT_EQ(moved.x, 6.0f);
    EXPECT_EQ(moved.z, 16.0f);
    EXPECT_EQ(moved.w, 5.0f); // bottom row (0, 0, 0, 1) keeps w

    Matrix4 doubled = a * 2.0f;
    EXPECT_EQ(doubled.m[12], 8.0f);
    expect_matrix_eq(a / 0.0f, a);
    expect_matrix_eq(a / 1.0f, a);
    expect_matrix_eq(a / 2.0f, a * 0.5f);

    Matrix4 projection;
    projection.set_perspective(90.0f, 1.0f, 1.0f, 100.0f);
    Vector3 p(0.5f, -0.25f, -2.0f);
    p.w = 3.0f;
    projection.transform_point(p);
    EXPECT_FLOAT_EQ(p.x, 0.25f); // divided by w' = 2
    EXPECT_FLOAT_EQ(p.y, -0.125f);
    EXPECT_EQ(p.w, 1.0f);
}

TEST(Matrix4, TranslateKeepsElementFifteen)
{
    Matrix4 a = sample();
    Matrix4 moved = a;
    moved.translate(1.0f, 2.0f, 3.0f);
    Matrix4 full = a * translation(1.0f, 2.0f, 3.0f);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(moved.m[i], full.m[i]) << i;
    EXPECT_EQ(moved.m[15], a.m[15]);
    EXPECT_NE(full.m[15], a.m[15]);
}

TEST(Matrix4, RotateAxisEdgeCases)
{
    Matrix4 a = sample();
    Matrix4 unchanged = a;
    unchanged.rotate(45.0f, 0.0f, 0.0f, 0.0f);
    expect_matrix_eq(unchanged, a);
    unchanged.rotate(45.0f, 0.00005f, 0.0f, 0.00005f); // axis shorter than 0.0001
    expect_matrix_eq(unchanged, a);

    Matrix4 unit;
    unit.rotate(30.0f, 0.0f, 0.0f, 1.0f);
    Matrix4 scaled_axis;
    scaled_axis.rotate(30.0f, 0.0f, 0.0f, 2.0f);
    expect_matrix_eq(scaled_axis, unit);
    EXPECT_NEAR(unit.m[0], std::cos(30.0 * 3.14159265 / 180), 1e-6);
    EXPECT_NEAR(unit.m[1], std::sin(30.0 * 3.14159265 / 180), 1e-6);
}

TEST(Matrix4, InverseCases)
{
    Matrix4 t = translation(1.0f, 2.0f, 3.0f);
    Matrix4 inverse = t.get_inverse();
    expect_matrix_eq(inverse, translation(-1.0f, -2.0f, -3.0f));
    Matrix4 inverse_transpose = t.get_inverse_transpose();
    EXPECT_EQ(inverse_transpose.m[3], -1.0f);
    EXPECT_EQ(inverse_transpose.m[7], -2.0f);
    EXPECT_EQ(inverse_transpose.m[11], -3.0f);
    EXPECT_EQ(inverse_transpose.m[12], 0.0f);

    Matrix4 singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 5, 0, 5, 0); // column 1 = 2 x column 0
    expect_matrix_eq(singular.get_inverse(), Matrix4());
    expect_matrix_eq(Matrix4(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0).get_inverse(), Matrix4());

    Matrix4 a = sample();
    expect_matrix_near(a * a.get_inverse(), Matrix4(), 1e-5f);
    expect_matrix_near(a.get_inverse() * a, Matrix4(), 1e-5f);
    Matrix4 rotated;
    rotated.rotate(37.0f, 1.0f, 2.0f, -0.5f);
    rotated.translate(3.0f, -1.0f, 2.0f);
    expect_matrix_near(rotated.get_inverse() * rotated, Matrix4(), 1e-5f);
}
