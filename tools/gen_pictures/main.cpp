// Draws the show's pictures into a data folder:
//   gen_pictures DATA_FOLDER FONT_FOLDER
// FONT_FOLDER holds the Liberation fonts.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image_writer.h"
#include "pictures.h"

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
    };
    Canvas portrait = draw_portrait();
    const std::vector<Picture> list = {
        {"common/images/tarnholm_logo_16_9.png", [&] { return draw_logo(fonts); }},
        {"common/images/asciichart.png", [&] { return draw_ascii_chart(fonts); }},
        {"quorelintro/sol_med_bane3.png", [] { return draw_sun_with_orbit(); }},
        {"quorelintro/jordklode3.png", [] { return draw_globe(); }},
        {"quorelintro/forvirret_ku.png", [] { return draw_confused_cow(); }},
        {"quorelintro/anticube.png", [] { return draw_anticube(); }},
        {"quorelintro/red_star_rises.jpg", [&] { return draw_red_star_flag(fonts); }},
        {"quorelintro/vetr.png", [&] { return portrait; }},
        {"quorelintro/vetr_glow.png", [&] { return draw_portrait_glow(portrait); }},
        {"quorelintro/klokke.png", [] { return draw_clock(); }},
        {"quorelintro/linjal.png", [&] { return draw_ruler(fonts); }},
        {"quorelintro/multimeter.png", [&] { return draw_multimeter(fonts); }},
        {"quorelintro/maalebeger.png", [] { return draw_beaker(); }},
        {"quorelintro/vekt.png", [] { return draw_scales(); }},
    };
    for (const Picture& picture : list) {
        Canvas canvas = picture.draw();
        const std::string path = out + "/" + picture.name;
        bool jpeg = path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
        bool ok = jpeg ? write_jpeg(canvas, path, 90, error) : write_png(canvas, path, error);
        if (!ok)
            return fail(error);
    }
    return 0;
}
