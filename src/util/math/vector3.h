// A three-component float vector: positions, directions and RGB colours.
//
// A fourth float, w, sits behind z so that the four floats can go to GL calls that read four
// (a light's position, where w = 1 makes it positional). Every constructor and set() store
// w = 1; no arithmetic reads or changes it, and assignment copies x, y and z only, so the
// target keeps its own w.
#pragma once

#include <cmath>

class Vector3 {
public:
    float x;
    float y;
    float z;
    float w;

    Vector3() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    explicit Vector3(float s) : x(s), y(s), z(s), w(1.0f) {}
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_), w(1.0f) {}
    Vector3(const Vector3& other) : x(other.x), y(other.y), z(other.z), w(1.0f) {}

    Vector3& operator=(const Vector3& other)
    {
        x = other.x;
        y = other.y;
        z = other.z;
        return *this;
    }

    void set(float x_, float y_, float z_)
    {
        x = x_;
        y = y_;
        z = z_;
        w = 1.0f;
    }

    // Component i (0..3), unchecked.
    float& operator[](int i) { return (&x)[i]; }
    const float& operator[](int i) const { return (&x)[i]; }
    float* get_ptr() { return &x; }
    const float* get_ptr() const { return &x; }

    Vector3& operator+=(const Vector3& other)
    {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }
    Vector3& operator-=(const Vector3& other)
    {
        x -= other.x;
        y -= other.y;
        z -= other.z;
        return *this;
    }

    // Members for modifiable operands; the free functions below serve constant ones and give
    // the same results.
    Vector3 operator+(const Vector3& other) { return Vector3(x + other.x, y + other.y, z + other.z); }
    Vector3 operator-(const Vector3& other) { return Vector3(x - other.x, y - other.y, z - other.z); }
    Vector3 operator*(float s) { return Vector3(x * s, y * s, z * s); }

    static float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static Vector3 cross(const Vector3& a, const Vector3& b)
    {
        return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    }

    float length() const { return std::sqrt(x * x + y * y + z * z); }

    // Divides by the length; a zero vector gives NaNs.
    Vector3& normalize()
    {
        float l = length();
        x /= l;
        y /= l;
        z /= l;
        return *this;
    }

    // this = (1 - t) a + t b on x, y and z; w untouched.
    void lerp(const Vector3& a, const Vector3& b, float t)
    {
        x = (1.0f - t) * a.x + t * b.x;
        y = (1.0f - t) * a.y + t * b.y;
        z = (1.0f - t) * a.z + t * b.z;
    }

    // A uniformly distributed direction on the unit sphere, drawn from the run-time's
    // generator (z first, then the angle around z).
    void randomize_unit();
};

inline Vector3 operator+(const Vector3& a, const Vector3& b) { return Vector3(a.x + b.x, a.y + b.y, a.z + b.z); }
inline Vector3 operator-(const Vector3& a, const Vector3& b) { return Vector3(a.x - b.x, a.y - b.y, a.z - b.z); }
inline Vector3 operator*(const Vector3& v, float s) { return Vector3(v.x * s, v.y * s, v.z * s); }
inline Vector3 operator*(float s, const Vector3& v) { return Vector3(v.x * s, v.y * s, v.z * s); }
