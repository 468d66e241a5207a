// One OpenGL light (point, spot or ambient) with its colours, attenuation and spot
// parameters, and an omni-directional shadow: a depth cube map behind a framebuffer object
// of its own, six fixed face views and one 90-degree face projection.
#pragma once

#include <GL/glew.h>
#include <string>

#include "util/math/matrix4.h"
#include "util/math/vector3.h"
#include "util/math/vector4.h"

enum LightType {
    LIGHT_POINT = 1,
    LIGHT_SPOT = 2,    // handled exactly as a point light
    LIGHT_AMBIENT = 3, // only the global ambient colour; casts no shadow
};

class Light {
public:
    static constexpr int DEFAULT_SHADOW_SIZE = 1024;

    std::string name;
    Vector4 ambient;
    Vector4 diffuse;
    Vector4 specular;

    // Positional at the origin, ambient 0.002, white diffuse and specular, range 10 and the
    // attenuation of the distance to (10, 10, 10).
    explicit Light(int type = LIGHT_POINT);
    // Deletes the shadow cube and its framebuffer object when they were made.
    ~Light();

    Light(const Light&) = delete;
    Light& operator=(const Light&) = delete;

    void set_position(float x, float y, float z);
    Vector3 get_position() const { return Vector3(position.x, position.y, position.z); }
    // Translation by minus the position.
    void update_translation();

    void set_ambient(float r, float g, float b, float a) { ambient.set(r, g, b, a); }
    void set_diffuse(float r, float g, float b, float a) { diffuse.set(r, g, b, a); }
    void set_specular(float r, float g, float b, float a) { specular.set(r, g, b, a); }

    void set_constant_attenuation(float factor) { constant_attenuation = factor; }
    void set_linear_attenuation(float factor) { linear_attenuation = factor; }
    void set_quadratic_attenuation(float factor) { quadratic_attenuation = factor; }
    void set_attenuation(float constant, float linear, float quadratic);
    // Constant 1, linear 1 / ((range / 2) x 10), quadratic 0; a range that is not a positive
    // finite number is fatal.
    void set_attenuation_range(float range);
    // Constant 1, linear 1 / (10 x the distance from the light to the point), quadratic 0;
    // a point at the light's own position is fatal.
    void set_attenuation_from(const Vector3& point);

    // The face projection: 90 degrees, aspect 1, these planes. Planes other than
    // 0 < near < far are fatal.
    void set_znear_zfar(float near_plane, float far_plane);
    // Near = range x 0.001, far = range x 2.
    void set_range(float range);

    int get_type() const { return type; }
    float get_constant_attenuation() const { return constant_attenuation; }
    float get_linear_attenuation() const { return linear_attenuation; }
    float get_quadratic_attenuation() const { return quadratic_attenuation; }
    float get_znear() const { return znear; }
    float get_zfar() const { return zfar; }
    Matrix4 get_projection_matrix() const { return face_projection; }
    Matrix4 get_translation_matrix() const { return translation; }
    // View matrix of cube face 0..5 (+X, -X, +Y, -Y, +Z, -Z) with the light at the origin;
    // the identity for any other face.
    Matrix4 get_face_view(int face) const;

    // Sends the light to GL light `index` (types 1 and 2; position and spot direction are
    // taken into eye space by the modelview in force) or sets the global ambient colour
    // (type 3). Any other type is fatal.
    void apply(int index) const;

    bool get_casts_shadows() const { return casts_shadows; }
    // When true, creates the shadow cube and framebuffer object if missing.
    void set_casts_shadows(bool enabled);
    void create_shadow_map();
    // Once the cube exists, a size other than the last one makes the face edge the width,
    // clamped to 1 .. GL_MAX_CUBE_MAP_TEXTURE_SIZE, and rebuilds the cube.
    void resize_shadow_map(int width, int height);
    int get_shadow_size() const { return shadow_size; }
    GLuint get_shadow_texture() const { return cube_texture; }
    GLuint get_shadow_framebuffer() const { return framebuffer; }

    // Routes drawing into the depth of one cube face, seen from the light. Does nothing
    // without shadows or for a face outside 0..5; a begin while a face is active is fatal.
    void begin_shadow_face(int face);
    // Restores the framebuffer, draw and read buffers, viewport, attributes and matrices the
    // matching begin saved; does nothing when no face is active. The cull-face mode stays
    // GL_FRONT and the polygon offset switches end disabled.
    void end_shadow_face();
    bool shadow_face_active() const { return face_active; }
    // Enables GL_TEXTURE_CUBE_MAP and binds the cube on the active unit.
    void bind_shadow_map() const;

private:
    Vector4 position{0.0f, 0.0f, 0.0f, 1.0f};
    Matrix4 translation;
    Matrix4 face_views[6];
    Matrix4 face_projection;
    Vector3 spot_direction{0.0f, 0.0f, 0.0f};
    float constant_attenuation = 1.0f;
    float linear_attenuation = 0.0f;
    float quadratic_attenuation = 0.0f;
    float spot_cutoff = 180.0f;
    float spot_exponent = 0.0f;
    int type;
    bool casts_shadows = false;
    float znear = 0.01f;
    float zfar = 20.0f;
    int shadow_size = DEFAULT_SHADOW_SIZE;
    GLuint cube_texture = 0;
    GLuint framebuffer = 0;
    int last_viewport_width = 0;
    int last_viewport_height = 0;
    bool face_active = false;
    GLint saved_framebuffer = 0;
    GLint saved_draw_buffer = 0;
    GLint saved_read_buffer = 0;
    GLint saved_viewport[4] = {0, 0, 0, 0};
};
