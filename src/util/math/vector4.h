// A four-component float vector: RGBA colours (r, g, b, a in x, y, z, w) and homogeneous
// vectors. Default all 0.
#pragma once

#include "util/math/vector3.h"

class Vector4 {
public:
    float x;
    float y;
    float z;
    float w;

    Vector4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    Vector4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    Vector4(const Vector3& v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}

    void set(float x_, float y_, float z_, float w_)
    {
        x = x_;
        y = y_;
        z = z_;
        w = w_;
    }

    // Component i (0..3), unchecked.
    float& operator[](int i) { return (&x)[i]; }
    const float& operator[](int i) const { return (&x)[i]; }
    float* get_ptr() { return &x; }
    const float* get_ptr() const { return &x; }

    Vector4 operator+(const Vector4& other) const
    {
        return Vector4(x + other.x, y + other.y, z + other.z, w + other.w);
    }

    // this = (1 - t) a + t b on all four components.
    void lerp(const Vector4& a, const Vector4& b, float t)
    {
        x = (1.0f - t) * a.x + t * b.x;
        y = (1.0f - t) * a.y + t * b.y;
        z = (1.0f - t) * a.z + t * b.z;
        w = (1.0f - t) * a.w + t * b.w;
    }
};
