// Frame time of the scene manager's own work at 1280 x 720: scene selection, the FBO passes
// and each post effect, with one stand-in scene that fills the picture. Prints milliseconds per
// frame with no effect, with each effect alone and with all six.
//
// Run under a display from the build folder (it reads the build's data/):
//   xvfb-run -s "-screen 0 1280x720x24" build/bench/show_bench [frames]
#include <GL/glew.h>
#include <SDL/SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "effects/effect/postproc.h"
#include "support/show_fixture.h"

namespace {

const char* const EFFECTS[6] = {"Dither", "Fade", "Radblur", "Hsl", "Film", "Motionblur"};

} // namespace

int main(int argc, char** argv)
{
    int frames = argc > 1 ? std::atoi(argv[1]) : 120;
    const int width = 1280, height = 720;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 0);
    if (SDL_SetVideoMode(width, height, 0, SDL_OPENGL) == nullptr || glewInit() != GLEW_OK) return 1;

    // Configuration k (0 none, 1..6 one effect, 7 all) holds from row 8 k on.
    ShowFolder folder;
    std::string music = folder.write_music(make_sine_signal(4410, 44100, {440.0, 440.0}, {0.1, 0.1}));
    folder.write_constant("ActiveScene1st", 0.0f);
    folder.write_track("ActiveScene2nd", {});
    folder.write_track("ActiveScene3rd", {});
    for (int e = 0; e < 6; ++e) {
        std::vector<std::tuple<int, float, int>> keys;
        for (int k = 0; k < 8; ++k) {
            bool on = k == e + 1 || k == 7;
            keys.emplace_back(8 * k, on ? static_cast<float>(e) : -1.0f, 0);
        }
        folder.write_track(std::string("pp") + EFFECTS[e], keys);
    }
    SceneManager::Sources sources = SceneManager::Sources::show();
    std::vector<std::string> names;
    sources.make_music = [music](bool preload_pcm, int sync_mode) -> Music* {
        return new SteppedMusic(music.c_str(), 145.0f, 0.0f, preload_pcm, sync_mode);
    };
    auto show_effects = sources.make_post_effects;
    sources.make_post_effects = [&folder, show_effects](std::vector<Effects::PostProc*>& effects) {
        show_effects(effects);
        // Every parameter keeps its default.
        for (Effects::PostProc* effect : effects)
            for (const std::string& name : effect->get_param_names()) folder.write_track("pp" + name, {});
    };
    sources.make_scene = [](int index) -> Scene* {
        return index == 0 ? new ColourScene(0.8f, 0.4f, 0.2f, 0.7f) : nullptr;
    };
    SceneManager manager(width, height, 16.0f / 9.0f, false, 0, sources);
    manager.get_music()->pause();

    const char* labels[8] = {"no effect", "Dither", "Fade", "Radblur", "Hsl", "Film", "Motionblur", "all six"};
    std::printf("frame time at %d x %d (picture %d x %d), %d frames each\n", width, height,
                manager.get_picture_width(), manager.get_picture_height(), frames);
    for (int k = 0; k < 8; ++k) {
        manager.get_music()->set_row(8 * k);
        for (int i = 0; i < 10; ++i) manager.render_frame(); // warm up
        glFinish();
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) manager.render_frame();
        glFinish();
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("  %-11s %7.2f ms per frame\n", labels[k], ms / frames);
    }
    return 0;
}
