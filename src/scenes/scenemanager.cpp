#include "scenes/scenemanager.h"

#include <GL/glew.h>

// Stand-in until the show's scenes exist: every frame clears the window.
SceneManager::SceneManager(int width_, int height_, float aspect_, bool, int)
    : width(width_), height(height_), aspect(aspect_)
{
}

SceneManager::~SceneManager() {}

void SceneManager::resize(int width_, int height_)
{
    width = width_;
    height = height_;
    glViewport(0, 0, width, height);
}

void SceneManager::start() {}

void SceneManager::render_frame()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapBuffers();
}

void SceneManager::set_mouse_capture(bool) {}

void SceneManager::on_key_down(int, int, int) {}
void SceneManager::on_key_up(int, int, int) {}
void SceneManager::on_mouse_motion(const SDL_MouseMotionEvent&) {}
void SceneManager::on_mouse_button(const SDL_MouseButtonEvent&) {}
