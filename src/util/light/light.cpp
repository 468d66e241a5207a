#include "util/light/light.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "util/error/fatal.h"

namespace {

const char* const LIGHT_SOURCE = "src\\util\\light\\light";
const int UNRECOGNIZED_TYPE_LINE = 480;

// Viewing direction and up vector of each cube face, in the order of the cube targets
// GL_TEXTURE_CUBE_MAP_POSITIVE_X + 0..5.
const float FACE_DIRECTIONS[6][6] = {
    {1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f},  {-1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f},
    {0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f},   {0.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f},
    {0.0f, 0.0f, 1.0f, 0.0f, -1.0f, 0.0f},  {0.0f, 0.0f, -1.0f, 0.0f, -1.0f, 0.0f},
};

// The attribute groups a shadow face saves: viewport, accumulation, depth, lighting and line
// state. The cull-face mode and the polygon offset switches are not among them.
const GLbitfield SHADOW_FACE_ATTRIBUTES = GL_VIEWPORT_BIT | GL_ACCUM_BUFFER_BIT |
                                          GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT | GL_LINE_BIT;

} // namespace

Light::Light(int type_) : type(type_)
{
    for (int face = 0; face < 6; ++face) {
        const float* d = FACE_DIRECTIONS[face];
        face_views[face].look_at(0.0f, 0.0f, 0.0f, d[0], d[1], d[2], d[3], d[4], d[5]);
    }
    face_projection.set_perspective(90.0f, 1.0f, znear, zfar);
    set_ambient(0.002f, 0.002f, 0.002f, 1.0f);
    set_diffuse(1.0f, 1.0f, 1.0f, 1.0f);
    set_specular(1.0f, 1.0f, 1.0f, 1.0f);
    set_range(10.0f);
    set_attenuation_from(Vector3(10.0f, 10.0f, 10.0f));
}

Light::~Light()
{
    if (framebuffer != 0) glDeleteFramebuffersEXT(1, &framebuffer);
    if (cube_texture != 0) glDeleteTextures(1, &cube_texture);
}

void Light::set_position(float x, float y, float z)
{
    position.x = x;
    position.y = y;
    position.z = z;
    update_translation();
}

void Light::update_translation()
{
    translation.set_identity();
    translation.translate(-position.x, -position.y, -position.z);
}

void Light::set_attenuation(float constant, float linear, float quadratic)
{
    set_constant_attenuation(constant);
    set_linear_attenuation(linear);
    set_quadratic_attenuation(quadratic);
}

void Light::set_attenuation_range(float range)
{
    if (!(range > 0.0f) || !std::isfinite(range)) {
        std::ostringstream message;
        message << "Invalid attenuation range " << range;
        FATAL_ERROR(LIGHT_SOURCE, message.str());
    }
    set_attenuation(1.0f, 1.0f / ((range / 2.0f) * 10.0f), 0.0f);
}

void Light::set_attenuation_from(const Vector3& point)
{
    float distance = (get_position() - point).length();
    if (!(distance > 0.0f) || !std::isfinite(distance)) {
        std::ostringstream message;
        message << "Invalid attenuation distance " << distance;
        FATAL_ERROR(LIGHT_SOURCE, message.str());
    }
    set_attenuation(1.0f, 1.0f / (10.0f * distance), 0.0f);
}

void Light::set_znear_zfar(float near_plane, float far_plane)
{
    if (!(near_plane > 0.0f) || !(far_plane > near_plane) || !std::isfinite(far_plane)) {
        std::ostringstream message;
        message << "Invalid shadow znear/zfar of " << near_plane << "/" << far_plane;
        FATAL_ERROR(LIGHT_SOURCE, message.str());
    }
    znear = near_plane;
    zfar = far_plane;
    face_projection.set_perspective(90.0f, 1.0f, znear, zfar);
}

void Light::set_range(float range) { set_znear_zfar(range * 0.001f, range * 2.0f); }

Matrix4 Light::get_face_view(int face) const
{
    if (face < 0 || face > 5) return Matrix4();
    return face_views[face];
}

void Light::apply(int index) const
{
    if (type == LIGHT_POINT || type == LIGHT_SPOT) {
        GLenum light = static_cast<GLenum>(GL_LIGHT0 + index);
        glLightfv(light, GL_AMBIENT, ambient.get_ptr());
        glLightfv(light, GL_DIFFUSE, diffuse.get_ptr());
        glLightfv(light, GL_SPECULAR, specular.get_ptr());
        glLightfv(light, GL_POSITION, position.get_ptr());
        glLightfv(light, GL_SPOT_DIRECTION, spot_direction.get_ptr());
        glLightf(light, GL_SPOT_CUTOFF, spot_cutoff);
        glLightf(light, GL_SPOT_EXPONENT, spot_exponent);
        glLightf(light, GL_CONSTANT_ATTENUATION, constant_attenuation);
        glLightf(light, GL_LINEAR_ATTENUATION, linear_attenuation);
        glLightf(light, GL_QUADRATIC_ATTENUATION, quadratic_attenuation);
        glEnable(light);
    } else if (type == LIGHT_AMBIENT) {
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient.get_ptr());
    } else {
        std::ostringstream message;
        message << "Unrecognized light type " << type;
        fatal_error(LIGHT_SOURCE, UNRECOGNIZED_TYPE_LINE, message.str());
    }
}

void Light::set_casts_shadows(bool enabled)
{
    casts_shadows = enabled;
    if (casts_shadows) create_shadow_map();
}

void Light::create_shadow_map()
{
    if (cube_texture == 0) {
        glGenTextures(1, &cube_texture);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cube_texture);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_DEPTH_TEXTURE_MODE, GL_LUMINANCE);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
        for (int face = 0; face < 6; ++face) {
            glTexImage2D(static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face), 0,
                         GL_DEPTH_COMPONENT24, shadow_size, shadow_size, 0, GL_DEPTH_COMPONENT,
                         GL_FLOAT, nullptr);
        }
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    }
    if (framebuffer == 0) glGenFramebuffersEXT(1, &framebuffer);
}

void Light::resize_shadow_map(int width, int height)
{
    if ((width != last_viewport_width || height != last_viewport_height) && cube_texture != 0) {
        GLint max_size = 1;
        glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &max_size);
        shadow_size = std::min(std::max(width, 1), std::max(max_size, 1));
        glDeleteTextures(1, &cube_texture);
        cube_texture = 0;
        create_shadow_map();
    }
    last_viewport_width = width;
    last_viewport_height = height;
}

void Light::begin_shadow_face(int face)
{
    if (!casts_shadows || face < 0 || face > 5) return;
    if (face_active) FATAL_ERROR(LIGHT_SOURCE, assert_text("!face_active"));
    face_active = true;

    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &saved_framebuffer);
    glGetIntegerv(GL_DRAW_BUFFER, &saved_draw_buffer);
    glGetIntegerv(GL_READ_BUFFER, &saved_read_buffer);
    glGetIntegerv(GL_VIEWPORT, saved_viewport);
    glPushAttrib(SHADOW_FACE_ATTRIBUTES);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    glViewport(0, 0, shadow_size, shadow_size);

    glCullFace(GL_FRONT);
    glDisable(GL_LIGHTING);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(face_projection.get_ptr());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(face_views[face].get_ptr());
    glMultMatrixf(translation.get_ptr());

    glEnable(GL_POLYGON_OFFSET_FILL);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glEnable(GL_POLYGON_OFFSET_POINT);
    glPolygonOffset(1.0f, 1.0f);

    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                              static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face),
                              cube_texture, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
}

void Light::end_shadow_face()
{
    // A begin that did nothing pushed nothing: popping here would unbalance the stacks.
    if (!face_active) return;
    face_active = false;

    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_POLYGON_OFFSET_LINE);
    glDisable(GL_POLYGON_OFFSET_POINT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(saved_framebuffer));
    glDrawBuffer(static_cast<GLenum>(saved_draw_buffer));
    glReadBuffer(static_cast<GLenum>(saved_read_buffer));
    glViewport(saved_viewport[0], saved_viewport[1], saved_viewport[2], saved_viewport[3]);
    glPopAttrib();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Light::bind_shadow_map() const
{
    glEnable(GL_TEXTURE_CUBE_MAP);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube_texture);
}
