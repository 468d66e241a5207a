// Scalar helpers of the geometry and colour math: random ranges from the run-time's
// generator, interpolation, decimal rounding, and the metaball field.
#pragma once

#include "util/math/vector3.h"

// a + rand() / 32767 x (b - a), from the run-time's generator; b itself can come out.
float rand_range(float a, float b);

// (1 - t) a + t b.
float lerp(float a, float b, float t);

// x rounded half up to n decimal places: floor(x 10^n + 0.5) / 10^n.
float round_to_decimals(float x, int n);

// One ball of the metaball field: its centre (the only part the field reads) and a
// direction kept beside it.
struct Metaball {
    Vector3 position;
    Vector3 direction;
};

// The four balls of the field; all start at the origin.
extern Metaball g_metaballs[4];

// Sum over the four balls of 1 / |centre - p / 30|^2, minus 1, evaluated as one fraction.
float metaball_field(const Vector3& p);
