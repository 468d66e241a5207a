// Frame time of the real show: its scenes, post effects and sync tracks from data.qxv, on a
// clock stepped by hand, in a window of the size given.
//
//   show_bench DATA_QXV WIDTH HEIGHT [FRAMES [SWEEP_FRAMES [STRETCH]]]
//       For each stretch of the scene track (a scene at work), FRAMES frames (default 60) at
//       60 frames a second from four beats into the stretch, after ten frames leading up to
//       it: the median milliseconds a frame and the post effects active there. Then a sweep
//       over every beat of the show, SWEEP_FRAMES timed frames a beat (default 2, 0 skips it):
//       the median and the slowest beat of each stretch. Both name the worst stretch. With
//       STRETCH (its number in the table) only that stretch is timed, e.g. under a profiler.
//   show_bench --effects WIDTH HEIGHT [FRAMES]
//       The manager's own work with one stand-in scene that fills the picture: no effect,
//       each post effect of the show's list alone and all of them, FRAMES frames each
//       (default 120), every parameter at its default.
//
// Run it from the build folder under a display as large as the window, e.g.
//   xvfb-run -a -s "-screen 0 1920x1080x24" env SDL_AUDIODRIVER=dummy PELLORVANE_UNATTENDED=1
//       bench/show_bench data.qxv 1280 720
// A frame is timed from its start to a glFinish after the buffer swap.
#include <GL/glew.h>
#include <SDL/SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "effects/effect/postproc.h"
#include "scenes/scenelist.h"
#include "show_setup/show_setup.h"
#include "support/show_fixture.h"

namespace {

// Beats into a stretch where it is timed: past the fade in at each cut, inside the radial
// blur of the drops.
constexpr float BEATS_INTO_STRETCH = 4.0f;
constexpr int LEAD_IN_FRAMES = 10;
constexpr float FRAME_SECONDS = 1.0f / 60.0f;

void usage()
{
    std::fprintf(stderr,
                 "usage: show_bench DATA_QXV WIDTH HEIGHT [FRAMES [SWEEP_FRAMES [STRETCH]]]\n"
                 "       show_bench --effects WIDTH HEIGHT [FRAMES]\n");
}

bool parse_int(const char* text, int low, int high, int& out)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

double median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : 0.5 * (values[mid - 1] + values[mid]);
}

// One frame at a music time, in milliseconds until the GL has finished it.
double timed_frame(SceneManager& manager, float seconds)
{
    manager.get_music()->set_time(seconds < 0.0f ? 0.0f : seconds);
    auto start = std::chrono::steady_clock::now();
    manager.render_frame();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Stretch {
    int scene;
    int first_beat;
    int end_beat; // one past the last
};

// The stretches of the first scene track, read a row at a time up to the end of the music.
std::vector<Stretch> find_stretches(SceneManager& manager, int beats)
{
    Music* music = manager.get_music();
    std::vector<Stretch> stretches;
    for (int row = 0; row < beats * 8; ++row) {
        music->set_row(row);
        float value = music->get_sync_value("ActiveScene1st");
        int scene = std::isfinite(value) ? static_cast<int>(value) : -1;
        int beat = row / 8;
        if (stretches.empty() || stretches.back().scene != scene) {
            if (!stretches.empty()) stretches.back().end_beat = beat;
            stretches.push_back({scene, beat, beats});
        }
    }
    return stretches;
}

const char* scene_name(int scene)
{
    const char* name = show_scene_name(scene);
    return name != nullptr ? name : "(none)";
}

// The post effects the order tracks switch on at the last frame drawn; "-" marks one that
// was passed over because its parameters leave the picture as it is.
std::string active_effects(SceneManager& manager)
{
    std::string list;
    for (Effects::PostProc* effect : manager.get_post_effects()) {
        if (manager.get_music()->get_sync_value("pp" + effect->get_name()) < 0.0f) continue;
        if (!list.empty()) list += " ";
        list += effect->get_name();
        if (effect->leaves_picture_unchanged()) list += "-";
    }
    return list.empty() ? "(none)" : list;
}

int run_show(const char* data_file, int width, int height, int frames, int sweep_frames, int only_stretch)
{
    if (!ShowSetup::open_window("show_bench", width, height)) return 1;
    std::unique_ptr<SceneManager> manager = ShowSetup::open_show(data_file, width, height);
    Music* music = manager->get_music();
    const double music_seconds = static_cast<double>(music->num_samples) /
                                 music->wave_format.nChannels / music->wave_format.nSamplesPerSec;
    const int beats = static_cast<int>(music_seconds * ShowSetup::BPM / 60.0);
    const std::vector<Stretch> stretches = find_stretches(*manager, beats);
    if (only_stretch >= static_cast<int>(stretches.size())) {
        std::fprintf(stderr, "show_bench: the show has %zu stretches, numbered from 0\n", stretches.size());
        return 2;
    }

    std::printf("show at %d x %d (picture %d x %d), %d beats in %zu stretches\n", width, height,
                manager->get_picture_width(), manager->get_picture_height(), beats, stretches.size());
    std::printf("%d frames a stretch from %.0f beats in, after %d frames leading up (effects: - idle)\n",
                frames, BEATS_INTO_STRETCH, LEAD_IN_FRAMES);
    std::printf("stretch  scene             beat   ms/frame  effects\n");
    size_t worst = 0;
    std::vector<double> stretch_ms(stretches.size(), 0.0);
    for (size_t s = 0; s < stretches.size(); ++s) {
        if (only_stretch >= 0 && s != static_cast<size_t>(only_stretch)) continue;
        const Stretch& stretch = stretches[s];
        float beat = std::min(static_cast<float>(stretch.first_beat) + BEATS_INTO_STRETCH,
                              0.5f * static_cast<float>(stretch.first_beat + stretch.end_beat));
        float start = beat * 60.0f / ShowSetup::BPM;
        for (int i = LEAD_IN_FRAMES; i > 0; --i) timed_frame(*manager, start - static_cast<float>(i) * FRAME_SECONDS);
        std::vector<double> times;
        for (int i = 0; i < frames; ++i) times.push_back(timed_frame(*manager, start + static_cast<float>(i) * FRAME_SECONDS));
        stretch_ms[s] = median(times);
        if (stretch_ms[s] > stretch_ms[worst]) worst = s;
        std::printf("%7zu  %2d %-15s %5g  %8.2f  %s\n", s, stretch.scene, scene_name(stretch.scene),
                    static_cast<double>(beat), stretch_ms[s], active_effects(*manager).c_str());
        std::fflush(stdout);
    }
    std::printf("worst stretch: %zu (%s) at %.2f ms a frame; %zu of %zu over 16.7 ms\n", worst,
                scene_name(stretches[worst].scene), stretch_ms[worst],
                static_cast<size_t>(std::count_if(stretch_ms.begin(), stretch_ms.end(),
                                                  [](double ms) { return ms > 1000.0 / 60.0; })),
                stretches.size());

    if (sweep_frames > 0) {
        std::printf("\nsweep over beats 0 to %d, %d frames a beat after one leading up\n", beats - 1, sweep_frames);
        std::printf("stretch  scene             beats      median    slowest (beat)\n");
        size_t worst_sweep = 0;
        double worst_median = -1.0;
        for (size_t s = 0; s < stretches.size(); ++s) {
            if (only_stretch >= 0 && s != static_cast<size_t>(only_stretch)) continue;
            const Stretch& stretch = stretches[s];
            std::vector<double> beat_ms;
            double slowest = -1.0;
            int slowest_beat = stretch.first_beat;
            for (int beat = stretch.first_beat; beat < stretch.end_beat; ++beat) {
                float start = static_cast<float>(beat) * 60.0f / ShowSetup::BPM;
                timed_frame(*manager, start - FRAME_SECONDS);
                std::vector<double> times;
                for (int i = 0; i < sweep_frames; ++i)
                    times.push_back(timed_frame(*manager, start + static_cast<float>(i) * FRAME_SECONDS));
                double ms = median(times);
                beat_ms.push_back(ms);
                if (ms > slowest) {
                    slowest = ms;
                    slowest_beat = beat;
                }
            }
            double ms = median(beat_ms);
            if (ms > worst_median) {
                worst_median = ms;
                worst_sweep = s;
            }
            std::printf("%7zu  %2d %-15s %3d..%-3d  %8.2f  %8.2f (%d)\n", s, stretch.scene,
                        scene_name(stretch.scene), stretch.first_beat, stretch.end_beat - 1, ms, slowest,
                        slowest_beat);
            std::fflush(stdout);
        }
        std::printf("worst stretch in the sweep: %zu (%s) at %.2f ms a frame\n", worst_sweep,
                    scene_name(stretches[worst_sweep].scene), worst_median);
    }
    ShowSetup::close_show(manager);
    SDL_Quit();
    return 0;
}

// With the show's N post effects, configuration k holds from row 8 k on: 0 none, 1 to N the
// effect k alone, N + 1 all of them.
int run_effects(int width, int height, int frames)
{
    if (!ShowSetup::open_window("show_bench", width, height)) return 1;
    ShowFolder folder;
    std::string music = folder.write_music(make_sine_signal(4410, 44100, {440.0, 440.0}, {0.1, 0.1}));
    folder.write_constant("ActiveScene1st", 0.0f);
    folder.write_track("ActiveScene2nd", {});
    folder.write_track("ActiveScene3rd", {});
    SceneManager::Sources sources = SceneManager::Sources::show();
    sources.make_music = [music](bool preload_pcm, int sync_mode) -> Music* {
        return new SteppedMusic(music.c_str(), 145.0f, 0.0f, preload_pcm, sync_mode);
    };
    auto show_effects = sources.make_post_effects;
    sources.make_post_effects = [&folder, show_effects](std::vector<Effects::PostProc*>& effects) {
        show_effects(effects);
        const int count = static_cast<int>(effects.size());
        for (int e = 0; e < count; ++e) {
            std::vector<std::tuple<int, float, int>> keys;
            for (int k = 0; k <= count + 1; ++k) {
                bool on = k == e + 1 || k == count + 1;
                keys.emplace_back(8 * k, on ? static_cast<float>(e) : -1.0f, 0);
            }
            const Effects::PostProc& effect = *effects[static_cast<size_t>(e)];
            folder.write_track("pp" + effect.get_name(), keys);
            // Every parameter keeps its default.
            for (const std::string& name : effect.get_param_names()) folder.write_track("pp" + name, {});
        }
    };
    sources.make_scene = [](int index) -> Scene* {
        return index == 0 ? new ColourScene(0.8f, 0.4f, 0.2f, 0.7f) : nullptr;
    };
    SceneManager manager(width, height, ShowSetup::ASPECT, false, 0, sources);
    manager.get_music()->pause();

    const std::vector<Effects::PostProc*>& effects = manager.get_post_effects();
    std::vector<std::string> labels = {"no effect"};
    for (const Effects::PostProc* effect : effects) labels.push_back(effect->get_name());
    labels.push_back("all " + std::to_string(effects.size()));
    std::printf("frame time of one stand-in scene at %d x %d (picture %d x %d), %d frames each\n", width, height,
                manager.get_picture_width(), manager.get_picture_height(), frames);
    for (size_t k = 0; k < labels.size(); ++k) {
        manager.get_music()->set_row(static_cast<int>(8 * k));
        for (int i = 0; i < 10; ++i) manager.render_frame(); // warm up
        glFinish();
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) manager.render_frame();
        glFinish();
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("  %-11s %7.2f ms per frame\n", labels[k].c_str(), ms / frames);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool effects = argc > 1 && std::strcmp(argv[1], "--effects") == 0;
    int width = 0, height = 0, frames = effects ? 120 : 60, sweep_frames = 2, only_stretch = -1;
    if (argc < 4 || argc > (effects ? 5 : 7) || !parse_int(argv[2], 16, 16384, width) ||
        !parse_int(argv[3], 16, 16384, height) ||
        (argc > 4 && !parse_int(argv[4], 1, 100000, frames)) ||
        (argc > 5 && !parse_int(argv[5], 0, 100000, sweep_frames)) ||
        (argc > 6 && !parse_int(argv[6], 0, 1000, only_stretch))) {
        usage();
        return 2;
    }
    return effects ? run_effects(width, height, frames) : run_show(argv[1], width, height, frames, sweep_frames, only_stretch);
}
