// The scene manager: owns the music, the scenes and the post-processing chain, and draws one
// frame of the show per call.
#pragma once

#include <SDL/SDL.h>

class SceneManager {
public:
    SceneManager(int width, int height, float aspect, bool dump_avi, int sync_client);
    ~SceneManager();

    void resize(int width, int height);
    void start();
    void render_frame();

    void set_mouse_capture(bool capture);
    void on_key_down(int sym, int x, int y);
    void on_key_up(int sym, int x, int y);
    void on_mouse_motion(const SDL_MouseMotionEvent& event);
    void on_mouse_button(const SDL_MouseButtonEvent& event);

private:
    int width;
    int height;
    float aspect;
};
