// Looks at the show as a viewer would, without playing it in real time: builds the real show
// from a packed data file (its scenes, post effects and tracks) with the music's clock set by
// hand, and writes the picture at each given beat as a binary PPM file.
//
//   show_shot DATA_QXV OUT_PREFIX WIDTH HEIGHT BEAT [BEAT...]
//
// Run it from a folder under a display (xvfb-run -s "-screen 0 1920x1080x24" ...). Each beat is
// reached by drawing the half second before it at 30 frames a second, so effects with a
// history (motion blur) look as they do in the show. The files are OUT_PREFIX-BEAT.ppm; `convert` makes
// PNG of them.
#include <GL/glew.h>
#include <SDL/SDL.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "main/main.h"
#include "scenes/scenemanager.h"
#include "util/data/datafile.h"
#include "util/data/loadingbar.h"
#include "util/music/music.h"

namespace {

constexpr float BPM = 145.0f;

// A music whose playback position is only what set_row and set_time put there.
class HandSetMusic : public Music {
public:
    using Music::Music;

protected:
    QWORD read_position() override { return position; }
    bool write_position(QWORD bytes) override
    {
        position = bytes;
        return true;
    }

private:
    QWORD position = 0;
};

bool write_ppm(const std::string& path, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK); // after the swap Mesa keeps the drawn picture there too
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    // GL reads bottom row first; the file wants the top row first.
    for (int y = height - 1; y >= 0; --y)
        std::fwrite(&pixels[static_cast<size_t>(y) * static_cast<size_t>(width) * 3], 1,
                    static_cast<size_t>(width) * 3, file);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: show_shot DATA_QXV OUT_PREFIX WIDTH HEIGHT BEAT [BEAT...]\n");
        return 2;
    }
    const std::string prefix = argv[2];
    const int width = std::atoi(argv[3]);
    const int height = std::atoi(argv[4]);
    if (width < 16 || height < 16) {
        std::fprintf(stderr, "show_shot: the size must be at least 16 x 16\n");
        return 2;
    }

    if (SDL_Init(SDL_INIT_VIDEO) < 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 0);
    if (SDL_SetVideoMode(width, height, 0, SDL_OPENGL) == nullptr || glewInit() != GLEW_OK) {
        std::fprintf(stderr, "show_shot: no GL window: %s\n", SDL_GetError());
        return 1;
    }

    const float aspect = 16.0f / 9.0f;
    DataFile::set_mode(DATAFILE_MODE_READ);
    connect_loading_bar();
    LoadingBar::init(width, height, aspect);
    DataFile::read(argv[1]);

    SceneManager::Sources sources = SceneManager::Sources::show();
    sources.make_music = [](bool preload_pcm, int sync_mode) -> Music* {
        return new HandSetMusic("data/common/music/tarnholm_quorel_system.xml", BPM, 0.0f, preload_pcm,
                                sync_mode);
    };
    SceneManager manager(width, height, aspect, false, 0, sources);
    manager.resize(width, height);
    manager.get_music()->pause();

    for (int i = 5; i < argc; ++i) {
        const float beat = static_cast<float>(std::atof(argv[i]));
        for (int f = 15; f >= 0; --f) {
            float seconds = beat * 60.0f / BPM - static_cast<float>(f) / 30.0f;
            manager.get_music()->set_time(seconds < 0.0f ? 0.0f : seconds);
            manager.render_frame();
        }
        const std::string path = prefix + "-" + argv[i] + ".ppm";
        if (!write_ppm(path, width, height)) {
            std::fprintf(stderr, "show_shot: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    DataFile::delete_temp_files();
    SDL_Quit();
    return 0;
}
