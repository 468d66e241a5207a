// One viewpoint: a view matrix and the projection parameters, put into the fixed-function
// matrix stacks. The view matrix alone decides the orientation; position, target and up are
// only the inputs of the last look_at.
#pragma once

#include <string>

#include "util/math/matrix4.h"
#include "util/math/vector3.h"

class Camera {
public:
    std::string name;
    Vector3 position{0.0f, 10.0f, -150.0f};
    Vector3 target{0.0f, 0.0f, 0.0f};
    Vector3 up{0.0f, 0.0f, -1.0f};
    // World to eye; not built from the three vectors until the first look_at.
    Matrix4 view_matrix;
    // Degrees; a negative value means unset. A negative fov is derived (from hfov when that
    // is set, else 45) at the next projection set-up and then kept.
    float hfov = -1.0f;
    float fov = -1.0f;
    float znear = 1.0f;
    float zfar = 1000.0f;

    static constexpr float DEFAULT_FOV = 45.0f;

    Camera() = default;

    // The view matrix becomes exactly the look-at matrix of these vectors.
    void look_at(float eye_x, float eye_y, float eye_z, float centre_x, float centre_y,
                 float centre_z, float up_x, float up_y, float up_z);
    // Rotations post-multiply: the camera orbits the world origin about the world axis
    // (0, 0, 1) or (0, 1, 0) and turns with it.
    void roll(float degrees);
    void yaw(float degrees);
    // Adds the delta to fov (starting from 45 when unset) and to hfov when that is set.
    void zoom(float delta);

    void set_fov(float degrees) { fov = degrees; }
    void set_znear(float distance) { znear = distance; }
    void set_zfar(float distance) { zfar = distance; }
    void set_znear_zfar(float near_plane, float far_plane);
    // Near = size x 0.001, far = size x 10.
    void set_depth_range(float scene_size);
    // The camera's own viewport; in force only when all three are greater than zero.
    void set_viewport(int width, int height, float aspect);

    Matrix4 get_view_matrix() const { return view_matrix; }
    Matrix4 get_inverse_view_matrix() const { return view_matrix.get_inverse(); }
    // The world-space eye, read from the view matrix (right after roll and yaw too).
    Vector3 get_position() const;

    // Leaves GL_MODELVIEW current with the view matrix loaded.
    void load_view_matrix() const;
    // Viewport (letterboxed to the full width), projection and view. A size below 0 or above
    // 10000, an aspect that is not a positive finite number, or a negative depth plane is
    // fatal.
    void setup_projection(int width, int height, float aspect, float depth_scale);

    // The letterboxed viewport that setup_projection sets: full width, height width / aspect
    // computed in double and truncated, centred vertically (the offset is negative when the
    // target is wider than the aspect asks for).
    static void letterbox_viewport(int width, int height, float aspect, int viewport[4]);

private:
    int viewport_width = -1;
    int viewport_height = -1;
    float viewport_aspect = -1.0f;
};
