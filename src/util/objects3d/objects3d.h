// The 3-D object renderer: a tree of Node3D records holding GeomObjects, drawn with the
// current camera and a list of lights, either in one plain lit pass or as a shadowed render
// (an ambient pass, then per shadowing light six depth passes into its cube map and an
// additive lighting pass). Either way it can add a glow pass (objects drawn into an
// off-screen target, added over the picture through a blur program) and mirror views.
//
// Every pass walks the same tree with a draw mode that picks the program, the uniforms and
// what is skipped. The programs, lights and current camera always come from the `master`
// renderer, so sub-scenes draw with the top renderer's set-up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "util/objects3d/geomobject.h"
#include "util/objects3d/material.h"
#include "util/objects3d/mesh.h"
#include "util/objects3d/node3d.h"

class Camera;
class FBO;
class Light;
class Mirror;
class ShaderBank;
class ShaderProgram;

enum ObjShaderSlot {
    OBJ_SHADER_NOTEX = 0,
    OBJ_SHADER_TEXTURE = 1,
    OBJ_SHADER_SHADOW_DEPTHWRITE = 2,
    OBJ_SHADER_SHADOW_AMBIENT = 3,
    OBJ_SHADER_SHADOW_AMBIENT_TEX = 4,
    OBJ_SHADER_SHADOW_LIGHTING = 5,
    OBJ_SHADER_SHADOW_LIGHTING_TEX = 6,
    OBJ_SHADER_GLOW = 7,
    OBJ_SHADER_GLOW_TEX = 8,
    OBJ_SHADER_GLOW_BLUR = 9,
    OBJ_SHADER_COUNT = 10,
};

enum ObjDrawMode {
    OBJ_DRAW_LIT = 0,             // the plain render
    OBJ_DRAW_AMBIENT = 1,         // ambient pre-pass of the shadowed render
    OBJ_DRAW_DEPTHWRITE = 2,      // depth into a shadow cube face; translucent objects skipped
    OBJ_DRAW_SHADOW_LIGHTING = 3, // one light over its shadow cube, added to the picture
    OBJ_DRAW_GLOW = 4,            // glow textures into the glow picture
};

class Objects3D {
public:
    // Edge of the glow picture.
    static constexpr int GLOW_SIZE = 512;

    std::vector<Camera*> cameras; // filled by the scene
    std::vector<Light*> lights;   // filled by the scene; the position is the light index
    std::string name;
    std::vector<Material*> materials;
    std::vector<Mesh*> meshes;
    std::vector<GeomObject*> objects;
    std::vector<Node3D*> nodes; // index 0 is the master node once it exists
    Node3D* master_node = nullptr;
    ShaderProgram* shaders[OBJ_SHADER_COUNT] = {};
    int cur_cam = -1;
    int viewport_width = -1;
    int viewport_height = -1;
    float viewport_aspect = -1.0f;
    bool use_camera = true; // the plain render sets up the current camera's projection
    bool glow = false;      // run the glow pass and composite
    bool cull = false;      // face culling in the shadowed render
    Objects3D* master = this;
    std::vector<Objects3D*> sub_scenes;
    std::vector<Mirror*> mirrors;
    FBO* glow_fbo = nullptr; // made on the first glow pass, owned

    Objects3D();
    // Frees the objects and nodes this renderer created and the glow target; the cameras,
    // lights, meshes, materials, programs, sub-scenes and mirrors belong to the caller.
    ~Objects3D();
    Objects3D(const Objects3D&) = delete;
    Objects3D& operator=(const Objects3D&) = delete;

    // Slots 0..9 from the bank's programs.
    void set_shaders(const ShaderBank& bank);
    // A slot outside 0..9 is fatal.
    void set_shader(int slot, ShaderProgram* program);
    // Stores the size for the camera's projection, passes it on to the sub-scenes and resizes
    // the lights' shadow maps.
    void set_viewport(int width, int height, float aspect);
    // The current camera; an index past the cameras gives -1 (none).
    void set_camera(unsigned int index);

    // A new object showing the whole mesh through the material; both are registered once.
    // A stream whose elements are fewer than the positions, or a stride GL cannot draw, is
    // fatal.
    GeomObject* add_geom_object(Mesh* mesh, Material* material);
    // A new node holding the object, under the parent (null: the master node, made on the
    // first call).
    Node3D* add_node(GeomObject* object, Node3D* parent);

    // Sends every light to GL under the modelview in force; more lights than GL has is fatal.
    void apply_lights();
    // Draws everything: mirror views first, then the plain or the shadowed render, then the
    // glow composite. Does nothing without a master node.
    void render(bool shadows);
    void render_node(Node3D* node, bool mirrored, int mode, int light);
    void draw_object(int index, int mode);

    // glColor white, colour material off, shininess and the four colours plus tint on both
    // faces.
    static void apply_material(const Material& material);
    // All four colours (0, 0, 0, 0).
    static void apply_black_material();

    // The process-wide flag that keeps mirror views from nesting.
    static bool in_mirror_pass();

    // The current camera of the master renderer; `line` and the assertion text name the
    // caller's check when there is none.
    Camera* master_camera(const char* source, int line) const;
    // The master's light of a draw mode's light index; an index past the lights is fatal.
    Light* master_light(int light) const;
    // The program a draw mode binds for a textured or untextured object.
    ShaderProgram* mode_shader(int mode, bool textured) const;
    // Binds the program of a draw mode and sets its uniforms for the given light.
    void bind_mode_shader(int mode, bool textured, int light);

private:
    std::vector<std::unique_ptr<GeomObject>> created_objects;
    std::vector<std::unique_ptr<Node3D>> created_nodes;
    // Vertex attribute the tangent stream goes to, found in the program last bound.
    int tangent_location = 1;

    void draw_everything(int mode, int light);
    void render_mirror_views(bool shadows);
    void render_shadowed();
    void render_plain();
    void glow_pass();
    void glow_composite();
};
