#include "util/camera/camera.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <climits>
#include <cmath>
#include <sstream>

#include "util/error/fatal.h"

namespace {

const char* const CAMERA_SOURCE = "src\\util\\camera\\camera";
const int SANITY_CHECK_LINE = 334;
const int DEPTH_RANGE_LINE = 368;

} // namespace

void Camera::look_at(float eye_x, float eye_y, float eye_z, float centre_x, float centre_y,
                     float centre_z, float up_x, float up_y, float up_z)
{
    position.set(eye_x, eye_y, eye_z);
    target.set(centre_x, centre_y, centre_z);
    up.set(up_x, up_y, up_z);
    view_matrix.set_identity();
    view_matrix.look_at(position.x, position.y, position.z, target.x, target.y, target.z, up.x,
                        up.y, up.z);
}

void Camera::roll(float degrees) { view_matrix.rotate(degrees, 0.0f, 0.0f, 1.0f); }

void Camera::yaw(float degrees) { view_matrix.rotate(degrees, 0.0f, 1.0f, 0.0f); }

void Camera::zoom(float delta)
{
    // An unset field of view would otherwise turn -1 + delta into a tiny set angle.
    if (fov < 0.0f) fov = DEFAULT_FOV;
    fov += delta;
    if (hfov >= 0.0f) hfov += delta;
}

void Camera::set_znear_zfar(float near_plane, float far_plane)
{
    set_znear(near_plane);
    set_zfar(far_plane);
}

void Camera::set_depth_range(float scene_size)
{
    set_znear_zfar(scene_size * 0.001f, scene_size * 10.0f);
}

void Camera::set_viewport(int width, int height, float aspect)
{
    viewport_width = width;
    viewport_height = height;
    viewport_aspect = aspect;
}

Vector3 Camera::get_position() const
{
    Vector3 eye(0.0f, 0.0f, 0.0f);
    get_inverse_view_matrix().transform_point(eye);
    return eye;
}

void Camera::load_view_matrix() const
{
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(view_matrix.get_ptr());
}

void Camera::letterbox_viewport(int width, int height, float aspect, int viewport[4])
{
    int picture_height = static_cast<int>(width / static_cast<double>(aspect));
    viewport[0] = 0;
    viewport[1] = (height - picture_height) / 2;
    viewport[2] = width;
    viewport[3] = picture_height;
}

void Camera::setup_projection(int width, int height, float aspect, float depth_scale)
{
    if (width < 0 || height < 0 || width > 10000 || height > 10000) {
        std::ostringstream message;
        message << "Sanity check failed on width/height " << width << "/" << height;
        fatal_error(CAMERA_SOURCE, SANITY_CHECK_LINE, message.str());
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (viewport_width > 0 && viewport_height > 0 && viewport_aspect > 0.0f) {
        width = viewport_width;
        height = viewport_height;
        aspect = viewport_aspect;
    }
    if (height == 0) height = 1;
    // A zero, negative or non-finite aspect, or one so small that the picture height leaves
    // the int range, has no letterbox and no projection.
    if (!(aspect > 0.0f) || !std::isfinite(aspect) ||
        width / static_cast<double>(aspect) > static_cast<double>(INT_MAX)) {
        std::ostringstream message;
        message << "Sanity check failed on aspect " << aspect;
        fatal_error(CAMERA_SOURCE, SANITY_CHECK_LINE, message.str());
    }
    int viewport[4];
    letterbox_viewport(width, height, aspect, viewport);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

    if (fov < 0.0f) fov = hfov >= 0.0f ? hfov / aspect : DEFAULT_FOV;
    if (znear < 0.0f || zfar < 0.0f) {
        std::ostringstream message;
        message << "Invalid znear/zfar of " << znear << "/" << zfar;
        fatal_error(CAMERA_SOURCE, DEPTH_RANGE_LINE, message.str());
    }
    gluPerspective(static_cast<double>(fov), static_cast<double>(aspect),
                   static_cast<double>(znear * depth_scale), static_cast<double>(zfar * depth_scale));
    load_view_matrix();
}
