// The base of every scene of the show. The scene manager hands each scene its services, its
// time range and the aspect ratio, calls init once, and then on every frame in which a
// scene-selection track names it resets the GL state to the scene's declared defaults,
// reshapes it to the frame's target and renders it.
#pragma once

#include <GL/glew.h>
#include <cstddef>

#include "scenes/scene/frameinfo.h"
#include "scenes/scene/sceneinput.h"

class Music;
class ShaderBank;
class FBO;
class AsciiEngine;

// The GL state a scene declares as its default: one switch per capability, then five state
// values. A scene changes them in its init.
struct SceneGlCaps {
    bool alpha_test = false;
    bool blend = false;
    bool color_material = true;
    bool cull_face = false;
    bool depth_test = true;
    bool light[8] = {true, false, false, false, false, false, false, false};
    bool lighting = false;
    bool multisample = true;
    bool normalize = true;
    bool texture_1d = false;
    bool texture_2d = false;
    bool texture_cube_map = false;
    float clear_depth = 1.0f;
    GLenum color_material_face = GL_FRONT_AND_BACK;
    GLenum color_material_mode = GL_AMBIENT_AND_DIFFUSE;
    GLenum depth_func = GL_LESS;
    GLenum shade_model = GL_SMOOTH;
};

// Puts GL into the given declared state: the fixed sequence every scene gets before it draws.
void apply_gl_state(const SceneGlCaps& caps);

// A sync track of a scene: its name, and the value it holds where the timeline gives it no keys.
struct TrackDefault {
    const char* name;
    float value;
};

class Scene {
public:
    Scene();
    virtual ~Scene();

    // Loads the scene's assets, registers its sync tracks and sets gl_caps.
    virtual void init();
    // Draws one frame into the currently bound target.
    virtual void render();
    // Frees the scene's resources; called once before the scene is deleted.
    virtual void release();
    // Stores the size and sets a plain projection, viewport and scissor box of that size.
    virtual void reshape(int w, int h);

    // The music's beat position minus the scene's start time.
    float get_time();

    void set_time_range(float start, float end);
    void set_aspect(float value);
    void set_music(Music* value);
    void set_shader_bank(ShaderBank* value);
    void set_fbo(FBO* value);
    void set_ascii_engine(AsciiEngine* value);
    void set_frame_info(FrameInfo* value);
    void set_key_state(unsigned char* value);

    // Puts GL into the scene's declared state.
    void reset_gl_state();
    // Leaves the 3-D drawing for text and flat shapes placed in pixels: no program, no depth
    // test or lighting, an orthographic projection of width x height and an identity modelview.
    void begin_pixel_overlay();

    // Registers a scene's table of tracks with the music, in the table's order, each one kept
    // by the tracker.
    template <size_t N>
    void add_sync_tracks(const TrackDefault (&tracks)[N])
    {
        add_sync_tracks(tracks, N);
    }
    void add_sync_tracks(const TrackDefault* tracks, size_t count);

    float start_time;
    float end_time;
    unsigned char* key_state;
    SceneInput input;
    FrameInfo* frame_info;
    Music* music;
    ShaderBank* shader_bank;
    FBO* fbo;
    AsciiEngine* ascii_engine;
    float aspect;
    int width;
    int height;
    SceneGlCaps gl_caps;
};
