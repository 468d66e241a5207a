// Three ints: grid coordinates.
#pragma once

class IntVector3 {
public:
    int x;
    int y;
    int z;

    IntVector3() : x(0), y(0), z(0) {}
    IntVector3(int x_, int y_, int z_) : x(x_), y(y_), z(z_) {}

    bool operator==(const IntVector3& other) const
    {
        return x == other.x && y == other.y && z == other.z;
    }
    bool operator!=(const IntVector3& other) const { return !(*this == other); }
    IntVector3 operator+(const IntVector3& other) const
    {
        return IntVector3(x + other.x, y + other.y, z + other.z);
    }
    IntVector3 operator-(const IntVector3& other) const
    {
        return IntVector3(x - other.x, y - other.y, z - other.z);
    }
};
