#include "util/math/vector3.h"

#include "util/math/mathutil.h"

void Vector3::randomize_unit()
{
    z = rand_range(-1.0f, 1.0f);
    float r = std::sqrt(1.0f - z * z);
    float phi = rand_range(-3.1415927f, 3.1415927f);
    x = r * std::cos(phi);
    y = r * std::sin(phi);
}
