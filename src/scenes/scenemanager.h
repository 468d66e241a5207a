// The scene manager: owns the show. It holds the music, the scenes of the show's table
// (scenelist.h), the post effects of its list (Sources::show), the shader bank, the
// frame-buffer objects, the text printer, the ASCII-art engine and the capture writer. Every
// frame it reads the three scene-selection tracks, renders up to three scenes layered into one
// off-screen picture, runs the active post effects in the order their "pp" tracks give, draws
// the result letterboxed into the window and, in capture mode, writes the frame and its share
// of the audio into AVI files.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>
#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "scenes/aviwriter.h"
#include "scenes/scene/frameinfo.h"

class Scene;
class Music;
class ShaderBank;
class FBO;
class Text;
class AsciiEngine;
namespace Effects {
class PostProc;
}

class SceneManager {
public:
    // The rows of the show's scene table (scenelist.cpp), defined there as its size.
    static const int SCENE_COUNT;
    static constexpr int KEY_STATE_SIZE = 82;
    static constexpr int CAPTURE_FRAME_RATE = 30;

    // Where the manager's music, post effects and scenes come from. The show's own are the
    // defaults; a different set (a short music, stand-in scenes and effects) runs the same
    // manager over other material.
    struct Sources {
        std::function<Music*(bool preload_pcm, int sync_mode)> make_music;
        // Appends the post effects in chain order. The show's list is the one place its
        // effects are named: the tracks, the benchmark and the tests all come from it.
        std::function<void(std::vector<Effects::PostProc*>& effects)> make_post_effects;
        // The scene of a place, 0 to scene_count - 1; null leaves the place empty.
        std::function<Scene*(int index)> make_scene;
        int scene_count = SCENE_COUNT;
        // The size at which the capture goes on in the next file.
        std::uint64_t capture_file_byte_limit = AviWriter::DEFAULT_FILE_BYTE_LIMIT;

        static Sources show();
    };

    SceneManager(int width, int height, float aspect, bool dump_avi, int sync_mode);
    SceneManager(int width, int height, float aspect, bool dump_avi, int sync_mode,
                 const Sources& sources);
    ~SceneManager();
    SceneManager(const SceneManager&) = delete;
    SceneManager& operator=(const SceneManager&) = delete;

    // Letterboxes the picture for a window of w x h.
    void resize(int w, int h);
    // The picture size for a window of w x h: the aspect is a float, the product or quotient
    // is taken in double and truncated, so a window of exactly the aspect loses one row.
    // A height of 0 counts as 1, and no side is less than 1.
    static std::pair<int, int> letterbox_size(int w, int h, float aspect);
    // Starts the music (in capture mode: paused at 0, from then on driven by the frames).
    void start();
    // One frame.
    void render_frame();
    // The GL state every scene starts from, with the scene defaults.
    void reset_gl_state();

    void set_mouse_capture(bool capture);
    void on_key_down(int sym, int x, int y);
    void on_key_up(int sym, int x, int y);
    void on_mouse_motion(const SDL_MouseMotionEvent& event);
    void on_mouse_button(const SDL_MouseButtonEvent& event);

    Music* get_music() const { return music; }
    ShaderBank* get_shader_bank() const { return shader_bank; }
    FBO* get_frame_fbo(int i) const { return frame_fbos[static_cast<size_t>(i)]; }
    FBO* get_scene_fbo() const { return scene_fbo; }
    AsciiEngine* get_ascii_engine() const { return ascii_engine; }
    const std::vector<Scene*>& get_scenes() const { return scenes; }
    const std::vector<Effects::PostProc*>& get_post_effects() const { return post_effects; }
    int get_picture_width() const { return picture_width; }
    int get_picture_height() const { return picture_height; }
    int get_frame_counter() const { return frame_counter; }

    // True once the one quit event at the end of the music is posted; from then on
    // render_frame draws nothing. Process-wide: reset_state clears it, as the process starts.
    static bool quit_is_posted();
    static void reset_state();

private:
    void create_scenes();
    void post_quit();
    void draw_letterboxed(FBO* source);
    // The steps of a frame: the three scene layers into the first frame buffer, the post
    // effects their order tracks switch on (in that order) ending in the window, then the
    // capture and the buffer swap.
    void render_scene_layers();
    std::vector<std::pair<size_t, float>> active_post_effects() const;
    void render_post_chain();
    void present_frame();
    // Capture mode: false when the music's samples are used up (nothing is written then).
    bool capture_frame();
    // A frame or its sound that could not be written (a full disk) ends the program, after the
    // cause is logged and the file being written is finished.
    [[noreturn]] void fail_capture(int line);
    void advance_capture_clock();

    Sources sources;
    std::vector<Scene*> scenes;
    unsigned char key_state[KEY_STATE_SIZE];
    FrameInfo frame_info;
    Text* text;
    int window_width;
    int window_height;
    int picture_width;
    int picture_height;
    float aspect;
    Music* music;
    float volume;
    int sync_mode;
    ShaderBank* shader_bank;
    FBO* scene_fbo;
    std::vector<FBO*> frame_fbos;
    std::vector<Effects::PostProc*> post_effects;
    // Per post effect, the names of its order track and of its parameters' tracks, made once
    // when they are registered rather than on every frame.
    std::vector<std::string> post_order_tracks;
    std::vector<std::vector<std::string>> post_param_tracks;
    AsciiEngine* ascii_engine;
    int frame_counter;
    bool dump_avi;
    AviWriter avi_writer;
    int capture_width;
    int capture_height;
    int capture_frame_rate;
    unsigned int samples_per_frame;
    unsigned char* frame_buffer;
};
