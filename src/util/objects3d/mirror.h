// A flat rectangle in a renderer's scene that shows the scene as reflected in it. It owns a
// camera placed at the viewer's reflection, an off-screen target into which the renderer
// draws the scene from that camera, and a material whose texture is that picture.
#pragma once

#include "util/camera/camera.h"
#include "util/math/vector3.h"
#include "util/objects3d/material.h"
#include "util/texture/texture.h"

class FBO;
class Objects3D;

class Mirror {
public:
    bool visible = true;          // cleared while its own view is drawn
    Objects3D* master;            // programs, lights and current camera of the draw modes
    Material material;            // its texture is the mirror picture
    Texture placeholder;          // what the material shows while its own view is drawn
    int fbo_width;
    int fbo_height;
    FBO* fbo;                     // the mirror picture, owned
    Camera camera;                // the reflected camera
    Camera* viewer = nullptr;     // the camera whose view is reflected
    Vector3 view_direction;       // unit vector from the viewer to the mirror
    Vector3 reflected_direction;  // the view direction reflected about the normal
    Vector3 up{0.0f, 1.0f, 0.0f}; // up vector of the mirror camera
    float fov = 45.0f;            // vertical field of view of the mirror camera
    Vector3 normal{0.0f, 0.0f, 1.0f}; // facing direction; normalised on use
    Vector3 position;             // centre of the rectangle
    float width = 1.0f;
    float height = 1.0f;
    bool pull_back = false;       // the camera sits behind the mirror at the viewer's distance
    bool black_back = false;      // also draw a black back face

    // A mirror of the renderer with a picture of the given size. A size below 1 is fatal.
    Mirror(Objects3D* master_renderer, int picture_width, int picture_height);
    ~Mirror();
    Mirror(const Mirror&) = delete;
    Mirror& operator=(const Mirror&) = delete;

    Camera* get_camera() { return &camera; }
    void set_viewer(Camera* camera_to_reflect);
    // Places the camera at the reflection of the viewer. A zero normal is fatal; a viewer at
    // the mirror's centre leaves the mirror without a view.
    void update_camera();
    // False while the viewer stands at the mirror's centre: no view is drawn and the
    // mirror itself draws nothing.
    bool has_view() const { return view_valid; }

    void begin_render();
    void end_render();
    // The quad in one draw mode, with the master's program of that mode.
    void draw(int mode, int light);

    // How far the black back quad lies behind the front.
    float back_distance() const;
    // The preferred up vector, or another axis when it is parallel to the direction (a
    // look-at along its own up vector has no defined sideways axis).
    static Vector3 up_for(const Vector3& direction, const Vector3& preferred);

private:
    bool view_valid = false;
};
