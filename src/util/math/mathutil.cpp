#include "util/math/mathutil.h"

#include <cmath>

#include "platform/runtime/crt_random.h"

Metaball g_metaballs[4];

float rand_range(float a, float b)
{
    return static_cast<float>(a + crt_rand() / 32767.0 * (b - a));
}

float lerp(float a, float b, float t)
{
    return (1.0f - t) * a + t * b;
}

float round_to_decimals(float x, int n)
{
    float scale = std::pow(10.0f, static_cast<float>(n));
    float rounded = static_cast<float>(std::floor(static_cast<double>(x * scale + 0.5f)));
    return rounded / scale;
}

float metaball_field(const Vector3& p)
{
    Vector3 point(p.x / 30.0f, p.y / 30.0f, p.z / 30.0f);
    // Adds 1 / d for each ball as numerator / denominator: n/d + 1/e = (n e + d) / (d e).
    float numerator = 0.0f;
    float denominator = 1.0f;
    for (const Metaball& ball : g_metaballs) {
        Vector3 offset = ball.position - point;
        float distance_squared = Vector3::dot(offset, offset);
        numerator = numerator * distance_squared + denominator;
        denominator *= distance_squared;
    }
    return numerator / denominator - 1.0f;
}
