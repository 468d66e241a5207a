#include "util/objects3d/mirror.h"

#include <GL/glew.h>
#include <cmath>
#include <sstream>

#include "util/error/fatal.h"
#include "util/fbo/fbo.h"
#include "util/math/matrix4.h"
#include "util/objects3d/objects3d.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

const char* const MIRROR_SOURCE = "src\\util\\objects3d\\mirror";

const int TEXTURE_SHADER_LINE = 141;
const int AMBIENT_SHADER_LINE = 146;
const int DEPTHWRITE_SHADER_LINE = 151;
const int LIGHTING_SHADER_LINE = 156;
const int LIGHTING_CAMERA_LINE = 157;
const int DRAW_MODE_LINE = 173;

// Below this the sideways axis of a look-at is lost in rounding.
const float PARALLEL_LIMIT = 1e-4f;

Vector3 unit(const Vector3& v)
{
    Vector3 u = v;
    return u.normalize();
}

void normalise_normal(Vector3& normal)
{
    if (!(normal.length() > 0.0f) || !std::isfinite(normal.length())) {
        std::ostringstream message;
        message << "Mirror normal (" << normal.x << ", " << normal.y << ", " << normal.z
                << ") has no direction";
        FATAL_ERROR(MIRROR_SOURCE, message.str());
    }
    normal.normalize();
}

// One quad of the mirror from client arrays: texture coordinate and corner in the order
// (0, 0) (-w, -h), (0, 1) (-w, h), (1, 1) (w, h), (1, 0) (w, -h). A draw call of its own, so
// the material set just before it is the one it is lit with (immediate-mode primitives may
// be batched past a material change).
void quad(float w, float h, float z, float normal_z)
{
    const float corners[12] = {-w, -h, z, -w, h, z, w, h, z, w, -h, z};
    const float normals[12] = {0, 0, normal_z, 0, 0, normal_z, 0, 0, normal_z, 0, 0, normal_z};
    const float texcoords[8] = {0, 0, 0, 1, 1, 1, 1, 0};
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, corners);
    glNormalPointer(GL_FLOAT, 0, normals);
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
    glDrawArrays(GL_QUADS, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

} // namespace

Mirror::Mirror(Objects3D* master_renderer, int picture_width, int picture_height)
    : master(master_renderer), fbo_width(picture_width), fbo_height(picture_height),
      fbo(new FBO(picture_width, picture_height, FBO_TYPE_COLOR_MIPMAP))
{
    if (master == nullptr) FATAL_ERROR(MIRROR_SOURCE, null_text("master"));
    material.texture = fbo->get_texture(0);
}

Mirror::~Mirror() { delete fbo; }

Vector3 Mirror::up_for(const Vector3& direction, const Vector3& preferred)
{
    const Vector3 d = unit(direction);
    const Vector3 candidates[] = {preferred, Vector3(0.0f, 1.0f, 0.0f), Vector3(0.0f, 0.0f, 1.0f)};
    for (const Vector3& candidate : candidates) {
        const float l = candidate.length();
        if (l > 0.0f && Vector3::cross(d, candidate).length() > PARALLEL_LIMIT * l) return candidate;
    }
    return Vector3(1.0f, 0.0f, 0.0f);
}

void Mirror::set_viewer(Camera* camera_to_reflect)
{
    viewer = camera_to_reflect;
    update_camera();
}

void Mirror::update_camera()
{
    if (viewer == nullptr) FATAL_ERROR(MIRROR_SOURCE, null_text("viewer"));
    const Vector3 eye = viewer->get_position();
    const Vector3 d = position - eye;
    const float distance = d.length();
    normalise_normal(normal);
    // At the centre there is no direction to reflect.
    view_valid = distance > 0.0f && std::isfinite(distance);
    if (!view_valid) return;

    view_direction = d * (1.0f / distance);
    const float along = Vector3::dot(view_direction, normal);
    reflected_direction = unit(view_direction - normal * (2.0f * along));

    camera.set_fov(fov);
    Vector3 camera_eye = position;
    if (pull_back) camera_eye = position - reflected_direction * distance;
    const Vector3 centre = position + reflected_direction;
    const Vector3 camera_up = up_for(reflected_direction, up);
    camera.look_at(camera_eye.x, camera_eye.y, camera_eye.z, centre.x, centre.y, centre.z,
                   camera_up.x, camera_up.y, camera_up.z);
    camera.set_depth_range(width + height);
    camera.set_viewport(fbo_width, fbo_height,
                        static_cast<float>(fbo_width) / static_cast<float>(fbo_height));
}

void Mirror::begin_render()
{
    material.texture = &placeholder;
    visible = false;
    fbo->push(true);
}

void Mirror::end_render()
{
    fbo->pop();
    visible = true;
    material.texture = fbo->get_texture(0);
}

float Mirror::back_distance() const { return (width / 2.0f + height / 2.0f) * 0.02f; }

void Mirror::draw(int mode, int light)
{
    if (!visible || !view_valid) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();

    const struct {
        int mode;
        int slot;
        const char* text;
        int line;
    } required[] = {
        {OBJ_DRAW_LIT, OBJ_SHADER_TEXTURE, "master->shaders[OBJ_SHADER_TEXTURE]", TEXTURE_SHADER_LINE},
        {OBJ_DRAW_AMBIENT, OBJ_SHADER_SHADOW_AMBIENT_TEX, "master->shaders[OBJ_SHADER_SHADOW_AMBIENT_TEX]",
         AMBIENT_SHADER_LINE},
        {OBJ_DRAW_DEPTHWRITE, OBJ_SHADER_SHADOW_DEPTHWRITE, "master->shaders[OBJ_SHADER_SHADOW_DEPTHWRITE]",
         DEPTHWRITE_SHADER_LINE},
        {OBJ_DRAW_SHADOW_LIGHTING, OBJ_SHADER_SHADOW_LIGHTING_TEX,
         "master->shaders[OBJ_SHADER_SHADOW_LIGHTING_TEX]", LIGHTING_SHADER_LINE},
    };
    if (mode < OBJ_DRAW_LIT || mode > OBJ_DRAW_GLOW) {
        std::ostringstream message;
        message << "Unsupported draw mode " << mode;
        fatal_error(MIRROR_SOURCE, DRAW_MODE_LINE, message.str());
    }
    for (const auto& r : required) {
        if (r.mode == mode && master->master->shaders[r.slot] == nullptr) {
            fatal_error(MIRROR_SOURCE, r.line, assert_text(r.text));
        }
    }
    if (mode == OBJ_DRAW_SHADOW_LIGHTING) master->master_camera(MIRROR_SOURCE, LIGHTING_CAMERA_LINE);
    master->bind_mode_shader(mode, true, light);

    if (mode == OBJ_DRAW_DEPTHWRITE && material.translucent()) {
        glPopMatrix();
        return;
    }
    glDepthMask(material.translucent() ? GL_FALSE : GL_TRUE);

    Objects3D::apply_material(material);
    const int unit = glIsEnabled(GL_TEXTURE_CUBE_MAP) ? 1 : 0;
    const Texture* texture = mode == OBJ_DRAW_GLOW ? material.glow_texture : material.texture;
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    if (texture != nullptr) {
        glEnable(GL_TEXTURE_2D);
        texture->bind(unit);
    } else {
        glDisable(GL_TEXTURE_2D);
        if (mode == OBJ_DRAW_GLOW) Objects3D::apply_black_material();
    }

    normalise_normal(normal);
    const Vector3 target = position + normal;
    const Vector3 placement_up = up_for(normal, Vector3(0.0f, 0.0f, 1.0f));
    Matrix4 look;
    look.look_at(position.x, position.y, position.z, target.x, target.y, target.z,
                 placement_up.x, placement_up.y, placement_up.z);
    glMultMatrixf(look.get_inverse().get_ptr());

    const float w = width / 2.0f;
    const float h = height / 2.0f;
    quad(w, h, 0.0f, -1.0f);
    if (black_back) {
        Objects3D::apply_black_material();
        quad(w, h, back_distance(), 1.0f);
    }

    if (texture != nullptr) {
        Texture::unbind(unit);
    } else {
        glActiveTexture(GL_TEXTURE0);
    }
    glDepthMask(GL_TRUE);
    glPopMatrix();
}
