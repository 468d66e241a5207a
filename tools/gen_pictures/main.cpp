// Draws the show's pictures into a data folder:
//   gen_pictures DATA_FOLDER FONT_FOLDER
// FONT_FOLDER holds the Liberation fonts.
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "image_writer.h"
#include "pictures.h"
#include "scene_pictures.h"

using namespace pictures;

namespace {
int fail(const std::string& error)
{
    std::fprintf(stderr, "gen_pictures: %s\n", error.c_str());
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_pictures DATA_FOLDER FONT_FOLDER\n");
        return 1;
    }
    const std::string out = argv[1], font_dir = argv[2];
    Fonts fonts;
    std::string error;
    if (!fonts.mono.open(font_dir + "/LiberationMono-Regular.ttf", error) ||
        !fonts.sans.open(font_dir + "/LiberationSans-Regular.ttf", error) ||
        !fonts.bold.open(font_dir + "/LiberationSans-Bold.ttf", error))
        return fail(error);

    struct Picture {
        std::string name;
        std::function<Canvas()> draw;
        bool needs_fonts = false; // FreeType faces are not shared between threads
    };
    Canvas portrait = draw_portrait();
    Canvas robot = draw_robot_cow();
    const std::vector<Picture> list = {
        {"common/images/tarnholm_logo_16_9.png", [&] { return draw_logo(fonts); }, true},
        {"common/images/asciichart.png", [&] { return draw_ascii_chart(fonts); }, true},
        {"quorelintro/sol_med_bane3.png", [] { return draw_sun_with_orbit(); }},
        {"quorelintro/jordklode3.png", [] { return draw_globe(); }},
        {"quorelintro/forvirret_ku.png", [] { return draw_confused_cow(); }},
        {"quorelintro/anticube.png", [] { return draw_anticube(); }},
        {"quorelintro/red_star_rises.jpg", [&] { return draw_red_star_flag(fonts); }, true},
        {"quorelintro/vetr.png", [&] { return portrait; }},
        {"quorelintro/vetr_glow.png", [&] { return draw_portrait_glow(portrait); }},
        {"quorelintro/klokke.png", [] { return draw_clock(); }},
        {"quorelintro/linjal.png", [&] { return draw_ruler(fonts); }, true},
        {"quorelintro/multimeter.png", [&] { return draw_multimeter(fonts); }, true},
        {"quorelintro/maalebeger.png", [] { return draw_beaker(); }},
        {"quorelintro/vekt.png", [] { return draw_scales(); }},
        {"common/images/stage_mod.jpg", [] { return draw_stage(); }},
        {"effects/firesl/flames.jpg", [] { return draw_flames(); }},
        {"picturepuzzle/giraff.png", [] { return draw_giraffe(); }},
        {"picturepuzzle/tavle_bg.png", [&] { return draw_blackboard(fonts); }, true},
        {"kuvits/ku_vits_1.png", [&] { return draw_cow_joke(fonts, false); }, true},
        {"kuvits/ku_vits_2.png", [&] { return draw_cow_joke(fonts, true); }, true},
        {"robotku/robot_ku.png", [&] { return robot; }},
        {"robotku/ku_vs_robot_glow.png", [&] { return draw_robot_cow_glow(robot); }},
        {"quorelannouncer/placeholder_2.png", [] { return draw_announcer_strip(); }},
        {"quorelannouncer/forvirret_ku.png", [] { return draw_confused_cow(); }},
        {"kuslipp/skyer.png", [] { return draw_cloud_sky(); }},
        {"kuslipp/fly.png", [] { return draw_plane(); }},
        {"kuslipp/flyveku_stage1.png", [] { return draw_flying_cow(); }},
        {"kutemp/gradestokk.png", [&] { return draw_thermometer(fonts, -100); }, true},
        {"kutemp/gradestokk_0.png", [&] { return draw_thermometer(fonts, 0); }, true},
        {"kutemp/gradestokk_100.png", [&] { return draw_thermometer(fonts, 100); }, true},
        {"kutemp/ku_minus_100.png", [] { return draw_temperature_cow(-100); }},
        {"kutemp/ku_0_grader.png", [] { return draw_temperature_cow(0); }},
        {"kutemp/ku_100_grader.png", [] { return draw_temperature_cow(100); }},
        {"kucredits/kyr_maane.png", [] { return draw_cow_moon(); }},
    };
    auto make = [&out](const Picture& picture, std::string& failure) {
        Canvas canvas = picture.draw();
        const std::string path = out + "/" + picture.name;
        bool jpeg = path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
        return jpeg ? write_jpeg(canvas, path, 90, failure) : write_png(canvas, path, failure);
    };
    // Pictures without text are drawn on worker threads, the others here, one after another.
    std::vector<std::string> failures(list.size());
    std::vector<char> done(list.size(), 0);
    std::vector<std::thread> workers;
    for (size_t i = 0; i < list.size(); ++i)
        if (!list[i].needs_fonts)
            workers.emplace_back([&, i] { done[i] = make(list[i], failures[i]); });
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].needs_fonts)
            done[i] = make(list[i], failures[i]);
    for (std::thread& worker : workers)
        worker.join();
    for (size_t i = 0; i < list.size(); ++i)
        if (!done[i])
            return fail(failures[i]);
    // The sky box faces; named by the second of the sky box's two naming schemes, so the
    // same names are asked for whether the files lie on disk or only in the packed file.
    const char* faces[] = {"left", "right", "down", "up", "back", "front"};
    std::vector<Canvas> nebula = draw_nebula_faces(512);
    (void)robot;
    for (size_t i = 0; i < nebula.size(); ++i) {
        const std::string path = out + "/effects/skybox/spacescape_purple_nebula_complex/"
                                       "purple_nebula_complex_" + faces[i] + ".png";
        if (!write_png(nebula[i], path, error))
            return fail(error);
    }
    return 0;
}
