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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "show_setup/show_setup.h"
#include "util/frametimer/frametimer.h"

namespace {

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

// The frame timer runs on the shots' own clock, 30 frames a second, so that what moves with
// the frame time (a camera turning by itself) is drawn the same in every run. Each reading
// moves it on by one tick, so the timer never waits for it.
const std::int64_t TICKS_PER_SECOND = 30000;
const std::int64_t TICKS_PER_FRAME = TICKS_PER_SECOND / 30;
std::int64_t g_shot_ticks = 0;

int shot_counter(LARGE_INTEGER* value)
{
    value->QuadPart = ++g_shot_ticks;
    return 1;
}

int shot_frequency(LARGE_INTEGER* value)
{
    value->QuadPart = TICKS_PER_SECOND;
    return 1;
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

    FrameTimer::set_clock(shot_counter, shot_frequency);
    if (!ShowSetup::open_window("show_shot", width, height)) return 1;
    std::unique_ptr<SceneManager> manager = ShowSetup::open_show(argv[1], width, height);

    for (int i = 5; i < argc; ++i) {
        const float beat = static_cast<float>(std::atof(argv[i]));
        for (int f = 15; f >= 0; --f) {
            float seconds = beat * 60.0f / ShowSetup::BPM - static_cast<float>(f) / 30.0f;
            manager->get_music()->set_time(seconds < 0.0f ? 0.0f : seconds);
            g_shot_ticks += TICKS_PER_FRAME;
            manager->render_frame();
        }
        const std::string path = prefix + "-" + argv[i] + ".ppm";
        if (!write_ppm(path, width, height)) {
            std::fprintf(stderr, "show_shot: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    ShowSetup::close_show(manager);
    SDL_Quit();
    return 0;
}
