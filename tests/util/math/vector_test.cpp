#include <gtest/gtest.h>
#include <algorithm>

#include "platform/runtime/crt_random.h"
#include "util/math/intvector3.h"
#include "util/math/mathutil.h"
#include "util/math/vector3.h"
#include "util/math/vector4.h"

TEST(Vector3, WIsOneFromEveryConstructorAndAssignmentKeepsTheTargets)
{
    Vector3 source(1.0f, 2.0f, 3.0f);
    source.w = 7.0f;
    const Vector3 built[] = {Vector3(), Vector3(2.0f), Vector3(1.0f, 2.0f, 3.0f), Vector3(source)};
    for (const Vector3& v : built) EXPECT_EQ(v.w, 1.0f);
    EXPECT_EQ(Vector3(2.0f).y, 2.0f);
    EXPECT_EQ(Vector3().z, 0.0f);

    Vector3 target;
    target.w = 0.5f;
    target = source;
    EXPECT_EQ(target.x, 1.0f);
    EXPECT_EQ(target.z, 3.0f);
    EXPECT_EQ(target.w, 0.5f);
    target += source;
    target -= Vector3(1.0f);
    target.normalize();
    target.lerp(source, source, 0.5f);
    EXPECT_EQ(target.w, 0.5f);
    target.set(4.0f, 5.0f, 6.0f);
    EXPECT_EQ(target.w, 1.0f);
    EXPECT_EQ(target[1], 5.0f);
    EXPECT_EQ(target.get_ptr()[3], 1.0f);
}

TEST(Vector3, ArithmeticOnModifiableAndConstantOperandsAgrees)
{
    Vector3 a(1.0f, 2.0f, 3.0f);
    Vector3 b(4.0f, -5.0f, 6.0f);
    const Vector3& ca = a;
    const Vector3& cb = b;
    struct Case {
        Vector3 got;
        Vector3 expected;
    };
    const Case cases[] = {
        {a + b, Vector3(5.0f, -3.0f, 9.0f)},   {ca + cb, Vector3(5.0f, -3.0f, 9.0f)},
        {a - b, Vector3(-3.0f, 7.0f, -3.0f)},  {ca - cb, Vector3(-3.0f, 7.0f, -3.0f)},
        {a * 2.0f, Vector3(2.0f, 4.0f, 6.0f)}, {ca * 2.0f, Vector3(2.0f, 4.0f, 6.0f)},
        {2.0f * ca, Vector3(2.0f, 4.0f, 6.0f)},
        {Vector3::cross(a, b), Vector3(27.0f, 6.0f, -13.0f)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got.x, c.expected.x);
        EXPECT_EQ(c.got.y, c.expected.y);
        EXPECT_EQ(c.got.z, c.expected.z);
    }
    EXPECT_EQ(Vector3::dot(a, b), 12.0f);
    EXPECT_EQ(Vector3(3.0f, 4.0f, 12.0f).length(), 13.0f);
    Vector3 n = Vector3(0.0f, 3.0f, 4.0f).normalize();
    EXPECT_FLOAT_EQ(n.y, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
    Vector3 mid;
    mid.lerp(a, b, 0.25f);
    EXPECT_FLOAT_EQ(mid.x, 1.75f);
    EXPECT_FLOAT_EQ(mid.y, 0.25f);
}

TEST(Vector3, RandomUnitDirectionDrawsZThenAngle)
{
    crt_srand(1);
    int first = crt_rand();
    int second = crt_rand();
    float z = static_cast<float>(-1.0f + first / 32767.0 * 2.0f);
    float phi = static_cast<float>(-3.1415927f + second / 32767.0 * (2 * 3.1415927f));

    crt_srand(1);
    Vector3 v;
    v.randomize_unit();
    EXPECT_EQ(v.z, z);
    EXPECT_FLOAT_EQ(v.x, std::sqrt(1.0f - z * z) * std::cos(phi));
    EXPECT_FLOAT_EQ(v.y, std::sqrt(1.0f - z * z) * std::sin(phi));
    for (int i = 0; i < 1000; ++i) {
        v.randomize_unit();
        ASSERT_NEAR(v.length(), 1.0f, 1e-5);
    }
}

TEST(Vector4, ConstructionArithmeticAndLerp)
{
    Vector4 zero;
    EXPECT_EQ(zero.x + zero.y + zero.z + zero.w, 0.0f);
    Vector4 from3(Vector3(1.0f, 2.0f, 3.0f), 0.5f);
    EXPECT_EQ(from3.z, 3.0f);
    EXPECT_EQ(from3.w, 0.5f);
    Vector4 sum = from3 + Vector4(1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(sum[0], 2.0f);
    EXPECT_EQ(sum.get_ptr()[3], 1.5f);
    Vector4 mid;
    mid.lerp(Vector4(0.0f, 0.0f, 0.0f, 0.0f), Vector4(2.0f, 4.0f, 6.0f, 8.0f), 0.5f);
    EXPECT_EQ(mid.w, 4.0f);
    mid.set(1.0f, 2.0f, 3.0f, 4.0f);
    EXPECT_EQ(mid.w, 4.0f);
}

TEST(IntVector3, EqualityAndDifference)
{
    IntVector3 a(3, -1, 7);
    IntVector3 b(1, 2, 7);
    EXPECT_TRUE(a == IntVector3(3, -1, 7));
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a - b == IntVector3(2, -3, 0));
    EXPECT_TRUE(a + b == IntVector3(4, 1, 14));
    EXPECT_TRUE(a + b - b == a);
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(a != IntVector3(3, -1, 7));
    EXPECT_TRUE(IntVector3() == IntVector3(0, 0, 0));
    b = a;
    EXPECT_TRUE(b == a);
}

TEST(ScalarMath, RandomRangeLerpAndRounding)
{
    crt_srand(1);
    EXPECT_EQ(rand_range(0.0f, 1.0f), static_cast<float>(41 / 32767.0));
    EXPECT_EQ(rand_range(10.0f, 20.0f), static_cast<float>(10.0f + 18467 / 32767.0 * 10.0f));
    crt_srand(12345);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(rand_range(2.5f, 2.5f), 2.5f);
        float v = rand_range(-1.0f, 1.0f);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 1.0f);
    }

    EXPECT_EQ(lerp(2.0f, 6.0f, 0.25f), 3.0f);
    EXPECT_EQ(lerp(2.0f, 6.0f, 1.0f), 6.0f);

    struct Case {
        float x;
        int n;
        float expected;
    };
    const Case cases[] = {{2.345f, 2, 2.35f}, {-1.5f, 0, -1.0f}, {2.5f, 0, 3.0f},
                          {-2.345f, 1, -2.3f}, {1234.5678f, 3, 1234.568f}, {7.0f, 0, 7.0f}};
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(round_to_decimals(c.x, c.n), c.expected) << c.x << " to " << c.n;
    }
}

TEST(ScalarMath, MetaballFieldSumsInverseSquaredDistances)
{
    // All balls at the origin: four equal terms.
    EXPECT_FLOAT_EQ(metaball_field(Vector3(30.0f, 0.0f, 0.0f)), 3.0f);  // 4 x 1/1 - 1
    EXPECT_FLOAT_EQ(metaball_field(Vector3(0.0f, 60.0f, 0.0f)), 0.0f);  // 4 x 1/4 - 1
    const Metaball at_rest[4] = {g_metaballs[0], g_metaballs[1], g_metaballs[2], g_metaballs[3]};
    g_metaballs[0].position = Vector3(1.0f, 0.0f, 0.0f);
    g_metaballs[1].direction = Vector3(100.0f, 0.0f, 0.0f); // not read
    EXPECT_FLOAT_EQ(metaball_field(Vector3(60.0f, 0.0f, 0.0f)), 0.75f); // 1 + 3/4 - 1
    std::copy(at_rest, at_rest + 4, g_metaballs);
}
