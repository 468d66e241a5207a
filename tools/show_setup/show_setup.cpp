#include "show_setup.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <cstdio>

#include "main/main.h"
#include "util/data/datafile.h"
#include "util/data/loadingbar.h"

namespace ShowSetup {

bool open_window(const char* program, int width, int height)
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "%s: no video: %s\n", program, SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 0);
    if (SDL_SetVideoMode(width, height, 0, SDL_OPENGL) == nullptr || glewInit() != GLEW_OK) {
        std::fprintf(stderr, "%s: no GL window: %s\n", program, SDL_GetError());
        return false;
    }
    return true;
}

std::unique_ptr<SceneManager> open_show(const char* data_file, int width, int height)
{
    DataFile::set_mode(DATAFILE_MODE_READ);
    connect_loading_bar();
    LoadingBar::init(width, height, ASPECT);
    DataFile::read(data_file);

    SceneManager::Sources sources = SceneManager::Sources::show();
    sources.make_music = [](bool preload_pcm, int sync_mode) -> Music* {
        return new HandSetMusic("data/common/music/tarnholm_quorel_system.xml", BPM, 0.0f, preload_pcm,
                                sync_mode);
    };
    std::unique_ptr<SceneManager> manager(new SceneManager(width, height, ASPECT, false, 0, sources));
    manager->resize(width, height);
    manager->get_music()->pause();
    return manager;
}

void close_show(std::unique_ptr<SceneManager>& manager)
{
    manager.reset();
    DataFile::delete_temp_files();
}

void set_beat(SceneManager& manager, float beat)
{
    float seconds = beat * 60.0f / BPM;
    manager.get_music()->set_time(seconds < 0.0f ? 0.0f : seconds);
}

} // namespace ShowSetup
