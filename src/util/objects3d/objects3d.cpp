#include "util/objects3d/objects3d.h"

#include <GL/glew.h>
#include <algorithm>
#include <sstream>

#include "util/camera/camera.h"
#include "util/error/fatal.h"
#include "util/fbo/fbo.h"
#include "util/light/light.h"
#include "util/objects3d/mirror.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {

const char* const OBJECTS_SOURCE = "src\\util\\objects3d\\objects3d";

const int CREATE_VBOS_LINE = 299;
const int UPDATE_VBOS_LINE = 302;
const int DRAW_MESH_ID_LINE = 353;
const int DRAW_MESH_PTR_LINE = 354;
const int LIGHTING_CAMERA_LINE = 754;
const int DRAW_MODE_LINE = 801;
const int MIRROR_CAMERA_LINE = 865;
const int SHADOW_NO_CAMERA_LINE = 905;
const int SHADOW_CAMERA_LINE = 906;
const int SHADER_SLOT_LINE = 1844;

// The bank slot of each renderer slot.
const int BANK_SLOTS[OBJ_SHADER_COUNT] = {
    SHADER_SLOT_MULTI_MATERIAL,
    SHADER_SLOT_MULTI_MATERIAL_TEXTURED,
    SHADER_SLOT_SHADOW_DEPTH_WRITE,
    SHADER_SLOT_SHADOW_AMBIENT,
    SHADER_SLOT_SHADOW_AMBIENT_TEXTURED,
    SHADER_SLOT_SHADOW_CUBE_LIGHTING,
    SHADER_SLOT_SHADOW_CUBE_LIGHTING_TEXTURED,
    SHADER_SLOT_UNLIT_MATERIAL,
    SHADER_SLOT_UNLIT_MATERIAL_TEXTURED,
    SHADER_SLOT_BLUR,
};

// Mirror views do not nest: while one is drawn, mirrors show their last picture.
bool mirror_pass_running = false;

// GL lights the fixed-function state always has.
const int BASIC_LIGHT_COUNT = 8;

} // namespace

void Objects3D::apply_material(const Material& material)
{
    const Vector4& t = material.tint;
    const Vector4 ambient(material.ambient.x + t.x, material.ambient.y + t.y,
                          material.ambient.z + t.z, material.ambient.w + t.w);
    const Vector4 diffuse(material.diffuse.x + t.x, material.diffuse.y + t.y,
                          material.diffuse.z + t.z, material.diffuse.w + t.w);
    const Vector4 specular(material.specular.x + t.x, material.specular.y + t.y,
                           material.specular.z + t.z, material.specular.w + t.w);
    const Vector4 emission(material.emission.x + t.x, material.emission.y + t.y,
                           material.emission.z + t.z, material.emission.w + t.w);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_COLOR_MATERIAL);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient.get_ptr());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse.get_ptr());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular.get_ptr());
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission.get_ptr());
}

void Objects3D::apply_black_material()
{
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
}

namespace {

// A stride GL's array pointers accept for the stream, or 0 (absent).
bool stride_drawable(int stride, int lowest, int highest)
{
    return stride == 0 || (stride >= lowest && stride <= highest);
}

void check_stream(const Mesh& mesh, const char* kind, const std::vector<float>& stream,
                  int stride, int lowest, int highest, size_t corners)
{
    if (!stride_drawable(stride, lowest, highest)) {
        std::ostringstream message;
        message << "Mesh \"" << mesh.name << "\": " << kind << " stride " << stride
                << " is not one GL can draw";
        FATAL_ERROR(OBJECTS_SOURCE, message.str());
    }
    if (stride == 0) return;
    const size_t elements = stream.size() / static_cast<size_t>(stride);
    if (elements < corners) {
        std::ostringstream message;
        message << "Mesh \"" << mesh.name << "\" has " << elements << " " << kind
                << " elements for " << corners << " positions";
        FATAL_ERROR(OBJECTS_SOURCE, message.str());
    }
}

void fill_identity(std::vector<int>& indices, size_t count)
{
    indices.resize(count);
    for (size_t i = 0; i < count; ++i) indices[i] = static_cast<int>(i);
}

} // namespace

Objects3D::Objects3D() = default;

Objects3D::~Objects3D() { delete glow_fbo; }

bool Objects3D::in_mirror_pass() { return mirror_pass_running; }

void Objects3D::set_shaders(const ShaderBank& bank)
{
    for (int slot = 0; slot < OBJ_SHADER_COUNT; ++slot) set_shader(slot, bank.get_shader(BANK_SLOTS[slot]));
}

void Objects3D::set_shader(int slot, ShaderProgram* program)
{
    if (slot < 0 || slot >= OBJ_SHADER_COUNT) {
        fatal_error(OBJECTS_SOURCE, SHADER_SLOT_LINE, "Shader type out of range!");
    }
    shaders[slot] = program;
}

void Objects3D::set_viewport(int width, int height, float aspect)
{
    viewport_width = width;
    viewport_height = height;
    viewport_aspect = aspect;
    for (Objects3D* sub : sub_scenes) sub->set_viewport(width, height, aspect);
    for (Light* light : lights) light->resize_shadow_map(width, height);
}

void Objects3D::set_camera(unsigned int index)
{
    cur_cam = index < cameras.size() ? static_cast<int>(index) : -1;
}

GeomObject* Objects3D::add_geom_object(Mesh* mesh, Material* material)
{
    if (mesh == nullptr) FATAL_ERROR(OBJECTS_SOURCE, null_text("mesh"));
    if (material == nullptr) FATAL_ERROR(OBJECTS_SOURCE, null_text("material"));

    // Every corner reads one element of each present stream: a shorter stream would be
    // read past its end when the object is flattened.
    const size_t corners =
        mesh->vertices_stride > 0 ? mesh->vertices.size() / static_cast<size_t>(mesh->vertices_stride) : 0;
    check_stream(*mesh, "vertex", mesh->vertices, mesh->vertices_stride, 2, 4, corners);
    check_stream(*mesh, "normal", mesh->normals, mesh->normals_stride, 3, 3, corners);
    check_stream(*mesh, "tangent", mesh->tangents, mesh->tangents_stride, 1, 4, corners);
    check_stream(*mesh, "texture coordinate", mesh->texcoords, mesh->texcoords_stride, 1, 4, corners);

    created_objects.emplace_back(new GeomObject());
    GeomObject* object = created_objects.back().get();

    auto mesh_at = std::find(meshes.begin(), meshes.end(), mesh);
    if (mesh_at == meshes.end()) mesh_at = meshes.insert(meshes.end(), mesh);
    object->mesh_id = static_cast<int>(mesh_at - meshes.begin());
    object->mesh_ptr = mesh;
    auto material_at = std::find(materials.begin(), materials.end(), material);
    if (material_at == materials.end()) material_at = materials.insert(materials.end(), material);
    object->material_index = static_cast<int>(material_at - materials.begin());

    const struct {
        const std::vector<float>& stream;
        int stride;
        std::vector<int>& indices;
    } streams[] = {{mesh->vertices, mesh->vertices_stride, object->ivertices},
                   {mesh->normals, mesh->normals_stride, object->inormals},
                   {mesh->tangents, mesh->tangents_stride, object->itangents},
                   {mesh->texcoords, mesh->texcoords_stride, object->itexcoords}};
    for (const auto& s : streams) {
        if (s.stride != 0) fill_identity(s.indices, s.stream.size() / static_cast<size_t>(s.stride));
    }

    object->textured = material->texture != nullptr && mesh->texcoords_stride != 0;
    objects.push_back(object);
    return object;
}

Node3D* Objects3D::add_node(GeomObject* object, Node3D* parent)
{
    if (master_node == nullptr) {
        created_nodes.emplace_back(new Node3D());
        master_node = created_nodes.back().get();
        nodes.push_back(master_node);
        master_node->index = static_cast<int>(nodes.size()) - 1;
        master_node->name = "Master node";
    }
    if (parent == nullptr) parent = master_node;
    if (parent->index < 0 || parent->index >= static_cast<int>(nodes.size()) ||
        nodes[static_cast<size_t>(parent->index)] != parent) {
        FATAL_ERROR(OBJECTS_SOURCE, "The parent node is not one of this renderer's nodes");
    }

    int object_index = -1;
    if (object != nullptr) {
        auto at = std::find(objects.begin(), objects.end(), object);
        if (at == objects.end()) at = objects.insert(objects.end(), object);
        object_index = static_cast<int>(at - objects.begin());
    }

    created_nodes.emplace_back(new Node3D(parent->index));
    Node3D* node = created_nodes.back().get();
    if (object_index >= 0) node->geometry.push_back(object_index);
    nodes.push_back(node);
    node->index = static_cast<int>(nodes.size()) - 1;
    parent->children.push_back(node->index);
    return node;
}

void Objects3D::apply_lights()
{
    GLint max_lights = BASIC_LIGHT_COUNT;
    glGetIntegerv(GL_MAX_LIGHTS, &max_lights);
    if (lights.size() > static_cast<size_t>(max_lights)) {
        std::ostringstream message;
        message << "Too many lights: " << lights.size() << ", GL has " << max_lights;
        FATAL_ERROR(OBJECTS_SOURCE, message.str());
    }
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (int i = 0; i < BASIC_LIGHT_COUNT; ++i) glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    for (size_t i = 0; i < lights.size(); ++i) lights[i]->apply(static_cast<int>(i));
    glPopMatrix();
}

Camera* Objects3D::master_camera(const char* source, int line) const
{
    const Objects3D& top = *master;
    if (top.cur_cam < 0) fatal_error(source, line, assert_text("master->cur_cam >= 0"));
    if (top.cur_cam >= static_cast<int>(top.cameras.size())) {
        std::ostringstream message;
        message << "cur_cam " << top.cur_cam << " out of range for " << top.cameras.size()
                << " cameras!";
        fatal_error(source, line, message.str());
    }
    return top.cameras[static_cast<size_t>(top.cur_cam)];
}

Light* Objects3D::master_light(int light) const
{
    if (light < 0 || light >= static_cast<int>(master->lights.size())) {
        std::ostringstream message;
        message << "Light index " << light << " out of range for " << master->lights.size()
                << " lights!";
        FATAL_ERROR(OBJECTS_SOURCE, message.str());
    }
    return master->lights[static_cast<size_t>(light)];
}

ShaderProgram* Objects3D::mode_shader(int mode, bool textured) const
{
    switch (mode) {
    case OBJ_DRAW_LIT:
        return master->shaders[textured ? OBJ_SHADER_TEXTURE : OBJ_SHADER_NOTEX];
    case OBJ_DRAW_AMBIENT:
        return master->shaders[textured ? OBJ_SHADER_SHADOW_AMBIENT_TEX : OBJ_SHADER_SHADOW_AMBIENT];
    case OBJ_DRAW_DEPTHWRITE:
        return master->shaders[OBJ_SHADER_SHADOW_DEPTHWRITE];
    case OBJ_DRAW_SHADOW_LIGHTING:
        return master->shaders[textured ? OBJ_SHADER_SHADOW_LIGHTING_TEX : OBJ_SHADER_SHADOW_LIGHTING];
    case OBJ_DRAW_GLOW:
        return master->shaders[textured ? OBJ_SHADER_GLOW_TEX : OBJ_SHADER_GLOW];
    default:
        break;
    }
    std::ostringstream message;
    message << "Unsupported draw mode " << mode;
    fatal_error(OBJECTS_SOURCE, DRAW_MODE_LINE, message.str());
}

void Objects3D::bind_mode_shader(int mode, bool textured, int light)
{
    ShaderProgram* program = mode_shader(mode, textured);
    // The lighting pass reads the camera and the light whether or not its slot is filled.
    const Camera* camera = nullptr;
    const Light* source = nullptr;
    if (mode == OBJ_DRAW_SHADOW_LIGHTING) {
        camera = master_camera(OBJECTS_SOURCE, LIGHTING_CAMERA_LINE);
        source = master_light(light);
    }
    tangent_location = 1;
    if (program == nullptr) {
        ShaderProgram::unbind();
        return;
    }
    program->bind();
    if (program->get_kind() == SHADER_KIND_GLSL && program->get_program() != 0) {
        // Wherever the linker put the attribute; -1 when the program reads no tangents.
        tangent_location = glGetAttribLocationARB(program->get_program(), "tangent");
    }

    if (mode == OBJ_DRAW_LIT) {
        program->set_uniform_1i("num_lights", static_cast<int>(master->lights.size()));
    } else if (mode == OBJ_DRAW_SHADOW_LIGHTING) {
        program->set_uniform_1i("shadow", 0);
        if (textured) program->set_uniform_1i("texture", 1);
        const Matrix4 inverse_view = camera->get_inverse_view_matrix();
        const Matrix4 translation = source->get_translation_matrix();
        const Matrix4 projection = source->get_projection_matrix();
        program->set_uniform_mat4("camera_view_matrix_inv", false, inverse_view.get_ptr(), 1);
        program->set_uniform_mat4("light_view_matrix", false, translation.get_ptr(), 1);
        program->set_uniform_mat4("light_projection_matrix", false, projection.get_ptr(), 1);
        // Takes effect at the program's next link; until then the location found above
        // serves.
        if (textured) program->bind_attrib_location("tangent", 1);
    }
}

void Objects3D::render_node(Node3D* node, bool mirrored, int mode, int light)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(node->transform.get_ptr());
    const bool m = mirrored != node->mirrored;

    if (node->enabled) {
        for (int child : node->children) {
            if (child < 0 || child >= static_cast<int>(nodes.size())) {
                std::ostringstream message;
                message << "Node " << node->index << " names child " << child << " of "
                        << nodes.size() << " nodes";
                FATAL_ERROR(OBJECTS_SOURCE, message.str());
            }
            render_node(nodes[static_cast<size_t>(child)], m, mode, light);
        }
    }

    glFrontFace(m ? GL_CW : GL_CCW);

    if (node->visible && node->enabled) {
        for (int index : node->geometry) {
            if (index < 0 || index >= static_cast<int>(objects.size())) {
                std::ostringstream message;
                message << "Node " << node->index << " names object " << index << " of "
                        << objects.size() << " objects";
                FATAL_ERROR(OBJECTS_SOURCE, message.str());
            }
            if (mode < OBJ_DRAW_LIT || mode > OBJ_DRAW_GLOW) {
                std::ostringstream message;
                message << "Unsupported draw mode " << mode;
                fatal_error(OBJECTS_SOURCE, DRAW_MODE_LINE, message.str());
            }
            const GeomObject& object = *objects[static_cast<size_t>(index)];
            bind_mode_shader(mode, object.textured, light);

            const int material_index = object.material_index;
            if (material_index < 0 || material_index >= static_cast<int>(materials.size())) {
                std::ostringstream message;
                message << "Object " << index << " names material " << material_index << " of "
                        << materials.size() << " materials";
                FATAL_ERROR(OBJECTS_SOURCE, message.str());
            }
            const bool translucent = materials[static_cast<size_t>(material_index)]->translucent();
            if (mode == OBJ_DRAW_DEPTHWRITE && translucent) continue;
            glDepthMask(translucent ? GL_FALSE : GL_TRUE);
            draw_object(index, mode);
            glDepthMask(GL_TRUE);
        }
    }
    glPopMatrix();
}

void Objects3D::draw_object(int index, int mode)
{
    if (index < 0 || index >= static_cast<int>(objects.size())) {
        std::ostringstream message;
        message << "Object index " << index << " out of range for " << objects.size() << " objects";
        FATAL_ERROR(OBJECTS_SOURCE, message.str());
    }
    GeomObject* object = objects[static_cast<size_t>(index)];
    if (!object->visible) return;
    if (object->material_index < 0 || object->material_index >= static_cast<int>(materials.size())) {
        std::ostringstream message;
        message << "Object " << index << " names material " << object->material_index << " of "
                << materials.size() << " materials";
        FATAL_ERROR(OBJECTS_SOURCE, message.str());
    }
    const Material& material = *materials[static_cast<size_t>(object->material_index)];

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(object->transform.get_ptr());

    if (object->array_buffer == 0 || object->element_buffer == 0) {
        if (!object->create_buffers()) fatal_error(OBJECTS_SOURCE, CREATE_VBOS_LINE, "Failed to create VBOs!");
    }
    if (!object->update()) fatal_error(OBJECTS_SOURCE, UPDATE_VBOS_LINE, "Failed to update VBOs!");

    apply_material(material);

    // The shadow cube holds unit 0 while it is enabled.
    const int unit = glIsEnabled(GL_TEXTURE_CUBE_MAP) ? 1 : 0;
    const Texture* texture = nullptr;
    if (mode != OBJ_DRAW_GLOW) {
        if (object->textured) texture = material.texture;
    } else {
        texture = material.glow_texture;
    }
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    if (texture != nullptr) {
        glEnable(GL_TEXTURE_2D);
        texture->bind(unit);
    } else {
        glDisable(GL_TEXTURE_2D);
        // Without a glow texture the object draws black into the glow picture.
        if (mode == OBJ_DRAW_GLOW) apply_black_material();
    }

    if (object->mesh_id < 0) fatal_error(OBJECTS_SOURCE, DRAW_MESH_ID_LINE, assert_text("object->mesh_id >= 0"));
    if (object->mesh_ptr == nullptr) fatal_error(OBJECTS_SOURCE, DRAW_MESH_PTR_LINE, null_text("object->mesh_ptr"));
    const Mesh& mesh = *object->mesh_ptr;

    glBindBuffer(GL_ARRAY_BUFFER, object->array_buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, object->element_buffer);
    const bool has_vertices = !object->working_vertices.empty();
    const bool has_normals = !object->working_normals.empty();
    const bool has_tangents = !object->working_tangents.empty() && tangent_location >= 0;
    const bool has_texcoords = !object->working_texcoords.empty();
    const auto offset = [](int bytes) {
        return reinterpret_cast<const GLvoid*>(static_cast<size_t>(bytes));
    };
    if (has_vertices) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(mesh.vertices_stride, GL_FLOAT, 0, offset(0));
    }
    if (has_normals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, offset(object->vertices_bytes));
    }
    if (has_tangents) {
        const GLuint location = static_cast<GLuint>(tangent_location);
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, mesh.tangents_stride, GL_FLOAT, GL_TRUE, 0,
                              offset(object->vertices_bytes + object->normals_bytes));
    }
    if (has_texcoords) {
        glClientActiveTexture(GL_TEXTURE0);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(mesh.texcoords_stride, GL_FLOAT, 0,
                          offset(object->vertices_bytes + object->normals_bytes + object->tangents_bytes));
    }

    const int count = object->drawn_corners();
    if (count > 0 && has_vertices) glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, offset(0));

    if (has_texcoords) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (has_normals) glDisableClientState(GL_NORMAL_ARRAY);
    if (has_tangents) glDisableVertexAttribArray(static_cast<GLuint>(tangent_location));
    if (has_vertices) glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    // Back on unit 0 either way, where the next object looks for an enabled shadow cube.
    if (texture != nullptr) {
        Texture::unbind(unit);
    } else {
        glActiveTexture(GL_TEXTURE0);
    }
    glPopMatrix();
}

void Objects3D::draw_everything(int mode, int light)
{
    render_node(master_node, master_node->mirrored, mode, light);
    for (Objects3D* sub : sub_scenes) {
        if (sub->master_node != nullptr) sub->render_node(sub->master_node, sub->master_node->mirrored, mode, light);
    }
    for (Mirror* mirror : mirrors) mirror->draw(mode, light);
}

void Objects3D::render_mirror_views(bool shadows)
{
    if (mirrors.empty() || mirror_pass_running) return;
    if (cur_cam < 0 || cur_cam >= static_cast<int>(cameras.size())) {
        std::ostringstream message;
        message << "cur_cam " << cur_cam << " out of range for " << cameras.size() << " cameras!";
        fatal_error(OBJECTS_SOURCE, MIRROR_CAMERA_LINE, message.str());
    }
    const size_t slot = static_cast<size_t>(cur_cam);
    Camera* remembered = cameras[slot];
    mirror_pass_running = true;
    for (Mirror* mirror : mirrors) {
        mirror->set_viewer(remembered);
        // A viewer at the mirror's centre sees no reflection.
        if (!mirror->has_view()) continue;
        cameras[slot] = mirror->get_camera();
        mirror->begin_render();
        render(shadows);
        mirror->end_render();
    }
    cameras[slot] = remembered;
    mirror_pass_running = false;
}

void Objects3D::glow_pass()
{
    if (!glow) return;
    if (glow_fbo == nullptr) glow_fbo = new FBO(GLOW_SIZE, GLOW_SIZE, FBO_TYPE_COLOR_MIPMAP);
    glow_fbo->push(true);
    draw_everything(OBJ_DRAW_GLOW, 0);
    glow_fbo->pop();
}

void Objects3D::glow_composite()
{
    ShaderProgram* blur = master->shaders[OBJ_SHADER_GLOW_BLUR];
    if (!glow || glow_fbo == nullptr || blur == nullptr) return;
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    blur->bind();
    glow_fbo->draw();
    glPopAttrib();
}

void Objects3D::render_shadowed()
{
    glDepthFunc(GL_LEQUAL);
    if (cameras.empty()) fatal_error(OBJECTS_SOURCE, SHADOW_NO_CAMERA_LINE, "No camera defined! Needed for shadows");
    if (cur_cam < 0 || cur_cam >= static_cast<int>(cameras.size())) {
        std::ostringstream message;
        message << "cur_cam " << cur_cam << " out of range for " << cameras.size() << " cameras!";
        fatal_error(OBJECTS_SOURCE, SHADOW_CAMERA_LINE, message.str());
    }
    cameras[static_cast<size_t>(cur_cam)]->setup_projection(viewport_width, viewport_height, viewport_aspect, 1.0f);

    glDisable(GL_CULL_FACE);
    draw_everything(OBJ_DRAW_AMBIENT, 0);
    glow_pass();

    for (size_t i = 0; i < lights.size(); ++i) {
        Light* light = lights[i];
        if (light->get_type() == LIGHT_AMBIENT) continue;
        const int index = static_cast<int>(i);
        light->set_casts_shadows(true);
        light->apply(0);
        if (cull) {
            glEnable(GL_CULL_FACE);
            glCullFace(GL_FRONT);
        } else {
            glDisable(GL_CULL_FACE);
        }
        for (int face = 0; face < 6; ++face) {
            light->begin_shadow_face(face);
            draw_everything(OBJ_DRAW_DEPTHWRITE, index);
            light->end_shadow_face();
        }
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        light->bind_shadow_map();
        if (cull) {
            glEnable(GL_CULL_FACE);
            glCullFace(GL_BACK);
        }
        draw_everything(OBJ_DRAW_SHADOW_LIGHTING, index);
        glDisable(GL_TEXTURE_CUBE_MAP);
        glDisable(GL_BLEND);
    }
}

void Objects3D::render_plain()
{
    if (use_camera && cur_cam >= 0 && cur_cam < static_cast<int>(cameras.size()) &&
        viewport_width >= 1 && viewport_height >= 1) {
        cameras[static_cast<size_t>(cur_cam)]->setup_projection(viewport_width, viewport_height,
                                                                viewport_aspect, 1.0f);
    }
    glow_pass();
    apply_lights();
    draw_everything(OBJ_DRAW_LIT, 0);
}

void Objects3D::render(bool shadows)
{
    if (master_node == nullptr) return;
    render_mirror_views(shadows);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    if (shadows) {
        render_shadowed();
    } else {
        render_plain();
    }
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glow_composite();
}
