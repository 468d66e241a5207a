#include "scene_pictures.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <tuple>

namespace pictures {

namespace {

constexpr double PI = 3.14159265358979323846;

void outlined(Canvas& c, const Distance& shape, const Paint& fill, const Colour& line, double width)
{
    c.fill([shape, width](double x, double y) { return shape(x, y) - width; }, line);
    c.fill(shape, fill);
}

void outlined(Canvas& c, const Distance& shape, const Colour& fill, const Colour& line, double width)
{
    outlined(c, shape, Paint([fill](double, double) { return fill; }), line, width);
}

// Scattered small stars over a canvas.
void stars(Canvas& c, int count, uint32_t seed)
{
    uint32_t s = seed;
    auto next = [&s]() {
        s = s * 1664525u + 1013904223u;
        return (s >> 8) / 16777216.0;
    };
    for (int i = 0; i < count; ++i) {
        double x = next() * c.width(), y = next() * c.height(), r = 0.6 + next() * 1.4;
        c.fill(circle(x, y, r), rgb(0xFFFFFF, 0.5 + next() * 0.5));
    }
}

} // namespace

Canvas draw_stage()
{
    const int w = 1024, h = 576;
    const double floor_y = 400;
    Canvas c(w, h, rgb(0x000000));
    c.shade([&](double x, double y) {
        double glow = std::exp(-std::pow((x - w / 2.0) / 300.0, 2) - std::pow((y - 300) / 200.0, 2));
        return mix(rgb(0x120818), rgb(0x402060), glow);
    });
    // Wooden floor in perspective.
    c.fill([floor_y](double, double y) { return floor_y - y; }, [&](double x, double y) {
        double depth = (y - floor_y) / (h - floor_y);
        double u = (x - w / 2.0) / (0.3 + 0.7 * depth);
        double plank = std::fmod(std::fabs(u) / 60.0, 1.0) < 0.04 ? 0.55 : 1.0;
        double grain = 0.85 + 0.15 * value_noise(u / 40.0, y / 3.0, 5);
        Colour wood = rgb(0x6A4024);
        double k = plank * grain * (0.45 + 0.55 * depth);
        return Colour{wood.r * k, wood.g * k, wood.b * k, 1};
    });
    // Curtains with folds.
    for (int side = 0; side < 2; ++side) {
        double x0 = side ? w - 190.0 : 0.0, x1 = side ? double(w) : 190.0;
        c.fill(rounded_box(x0, -20, x1, floor_y + 20, 0), [&](double x, double) {
            double fold = 0.6 + 0.4 * std::sin(x / 14.0);
            Colour red = rgb(0xA01020);
            return Colour{red.r * fold, red.g * fold, red.b * fold, 1};
        });
    }
    c.fill(rounded_box(0, -10, w, 50, 0), [](double x, double) {
        double fold = 0.7 + 0.3 * std::sin(x / 20.0);
        return Colour{0.55 * fold, 0.04, 0.1 * fold, 1};
    });
    // Truss with lamps, and speakers at the sides.
    c.fill(rounded_box(150, 60, w - 150, 74, 3), rgb(0x505860));
    for (int i = 0; i < 7; ++i) {
        double x = 200 + i * 104;
        c.fill(rounded_box(x - 14, 74, x + 14, 104, 5), rgb(0x202428));
        c.fill(circle(x, 100, 9), rgb(0xFFF0C0));
    }
    for (double x : {210.0, double(w) - 290.0}) {
        outlined(c, rounded_box(x, floor_y - 150, x + 80, floor_y, 6), rgb(0x1A1A1E), rgb(0x3A3A40), 2);
        c.fill(circle(x + 40, floor_y - 105, 26), rgb(0x303036));
        c.fill(circle(x + 40, floor_y - 40, 18), rgb(0x303036));
    }
    return c;
}

Canvas draw_flames()
{
    const int s = 256;
    Canvas c(s, s, rgb(0x000000));
    c.shade([&](double x, double y) {
        double n = 0;
        double amp = 1, norm = 0;
        for (int o = 0; o < 4; ++o) {
            int period = 8 << o;
            n += tiling_noise(x / s * period, y / s * period * 0.5, period, 77 + o) * amp;
            norm += amp;
            amp *= 0.55;
        }
        n /= norm;
        double heat = std::clamp((n - 0.35) * 2.2, 0.0, 1.0);
        Colour col = heat < 0.5 ? mix(rgb(0x000000), rgb(0xC02000), heat * 2)
                                : mix(rgb(0xC02000), rgb(0xFFE080), (heat - 0.5) * 2);
        return col;
    });
    return c;
}

std::vector<Canvas> draw_nebula_faces(int size)
{
    // Direction of a face pixel; faces -X, +X, -Y, +Y, -Z, +Z in GL's cube-map layout, with
    // the picture's top row at t = 0 (the cube texture turns the loaded rows upside down).
    // Neighbouring faces then meet without a seam.
    auto direction = [](int face, double u, double v, double& x, double& y, double& z) {
        switch (face) {
        case 0: x = -1; y = -v; z = u; break;
        case 1: x = 1; y = -v; z = -u; break;
        case 2: x = u; y = -1; z = -v; break;
        case 3: x = u; y = 1; z = v; break;
        case 4: x = -u; y = -v; z = -1; break;
        default: x = u; y = -v; z = 1; break;
        }
        double len = std::sqrt(x * x + y * y + z * z);
        x /= len; y /= len; z /= len;
    };
    auto paint_face = [&](int face, Canvas& c) {
        c.shade([&](double px, double py) {
            double x, y, z;
            direction(face, 2.0 * px / size - 1.0, 2.0 * py / size - 1.0, x, y, z);
            double n = 0, amp = 1, norm = 0, f = 2.0;
            for (int o = 0; o < 5; ++o) {
                n += value_noise3(x * f + 11, y * f + 7, z * f + 3, 900 + o) * amp;
                norm += amp;
                amp *= 0.5;
                f *= 2.0;
            }
            n /= norm;
            double cloud = std::clamp((n - 0.42) * 2.6, 0.0, 1.0);
            double hue = value_noise3(x * 1.5 + 40, y * 1.5, z * 1.5, 1234);
            Colour gas = mix(rgb(0x5A1A8A), rgb(0xE04AA0), hue);
            Colour col = mix(rgb(0x06030E), gas, cloud);
            col = mix(col, rgb(0xFFE0FF), std::pow(cloud, 4) * 0.6);
            // Stars: bright points from a fine lattice of the direction.
            double star = value_noise3(x * 180, y * 180, z * 180, 4321);
            if (star > 0.93)
                col = mix(col, rgb(0xFFFFFF), (star - 0.93) / 0.07);
            col.a = 1.0;
            return col;
        });
    };
    std::vector<Canvas> faces(6, Canvas(size, size));
    std::vector<std::thread> workers;
    for (int face = 0; face < 6; ++face)
        workers.emplace_back([&, face] { paint_face(face, faces[static_cast<size_t>(face)]); });
    for (std::thread& worker : workers)
        worker.join();
    return faces;
}

Canvas draw_giraffe()
{
    // A small picture whose opaque pixels become the puzzle's cubes.
    const int w = 24, h = 32;
    Canvas big(w * 8, h * 8);
    const Colour coat = rgb(0xE8B040), hoof = rgb(0x5A3818);
    auto s = [](double v) { return v * 8; };
    big.fill(rounded_box(s(5), s(17), s(19), s(24), s(2)), coat);            // body
    big.fill(segment({s(16), s(18)}, {s(18), s(5)}, s(1.6)), coat);          // neck
    big.fill(ellipse(s(19.5), s(4.5), s(3.2), s(2.2)), coat);                // head
    big.fill(segment({s(18.5), s(2.4)}, {s(18), s(0.6)}, s(0.5)), hoof);     // horns
    big.fill(segment({s(20.5), s(2.4)}, {s(21), s(0.6)}, s(0.5)), hoof);
    for (double x : {6.5, 9.5, 15.0, 17.5})
        big.fill(rounded_box(s(x - 0.9), s(23), s(x + 0.9), s(31), s(0.5)), coat);
    for (double x : {6.5, 9.5, 15.0, 17.5})
        big.fill(rounded_box(s(x - 0.9), s(30), s(x + 0.9), s(32), s(0.3)), hoof);
    big.fill(segment({s(5), s(18)}, {s(2.5), s(24)}, s(0.4)), hoof);        // tail
    // Brown patches.
    Canvas shape = big;
    shape.fill([&](double x, double y) {
        return shape.at(static_cast<int>(x), static_cast<int>(y)).a > 0.5 ? -1.0 : 1.0;
    }, [&](double x, double y) {
        double n = value_noise(x / 14.0, y / 14.0, 31);
        return n > 0.62 ? rgb(0x8A4A18) : Colour{0, 0, 0, 0};
    });
    Canvas c = shape.scaled(w, h);
    // Hard edges: each pixel is a cube or nothing.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Colour p = c.at(x, y);
            p.a = p.a >= 0.5 ? 1.0 : 0.0;
            c.set(x, y, p);
        }
    return c;
}

Canvas draw_blackboard(Fonts& fonts)
{
    const int s = 512;
    Canvas c(s, s, rgb(0x000000));
    c.fill(rounded_box(0, 0, s, s, 0), rgb(0x7A5030));
    c.fill(rounded_box(24, 24, s - 24, s - 24, 4), [](double x, double y) {
        double n = fractal_noise(x / 60.0, y / 60.0, 3, 4);
        return mix(rgb(0x1E3A2A), rgb(0x3A5A48), n * 0.8);
    });
    const Colour chalk = rgb(0xE8EEE8, 0.8);
    fonts.sans.draw(c, "1 MALT = ?", 60, 120, 40, chalk);
    fonts.sans.draw(c, "6 dm", 300, 220, 36, chalk);
    fonts.sans.draw(c, "1609.34 m", 70, 330, 34, chalk);
    fonts.sans.draw(c, "ROFL", 320, 420, 40, chalk);
    c.fill(segment({60, 140}, {240, 140}, 1.5), chalk);
    c.fill(ring(380, 110, 50, 36, 1.8), chalk);
    return c;
}

Canvas draw_cow_joke(Fonts& fonts, bool punch_line)
{
    const int w = 800, h = 600;
    Canvas c(w, h);
    outlined(c, rounded_box(10, 10, w - 10, h - 10, 30), rgb(0xFFF8E8), rgb(0x202020), 5);
    Canvas cow = draw_confused_cow().scaled(440, 361);
    c.paste(cow, punch_line ? 330 : 40, 220);
    // The speech bubble.
    double bx = punch_line ? 40 : 300;
    outlined(c, rounded_box(bx, 40, bx + 460, 200, 40), rgb(0xFFFFFF), rgb(0x202020), 4);
    Point tail_tip = punch_line ? Point{480, 300} : Point{240, 300};
    outlined(c, polygon({{bx + 200, 190}, {bx + 260, 190}, tail_tip}), rgb(0xFFFFFF), rgb(0x202020), 4);
    c.fill(rounded_box(bx + 190, 180, bx + 270, 196, 0), rgb(0xFFFFFF));
    const Colour ink = rgb(0x202020);
    if (!punch_line) {
        fonts.bold.draw(c, "Why do cows", bx + 40, 105, 44, ink);
        fonts.bold.draw(c, "have bells?", bx + 40, 160, 44, ink);
    } else {
        fonts.bold.draw(c, "Because the horns", bx + 30, 105, 40, ink);
        fonts.bold.draw(c, "don't work!", bx + 30, 160, 40, ink);
        // A bell on a strap round the cow's neck, below and behind its head.
        const double bx = 506, by = 433;
        c.fill(segment({bx - 16, by - 20}, {bx + 12, by - 30}, 3), rgb(0x6A3A18));
        c.fill(circle(bx, by + 14, 5), rgb(0x202020));
        outlined(c, polygon({{bx - 9, by - 16}, {bx + 9, by - 16}, {bx + 17, by + 12}, {bx - 17, by + 12}}),
                 rgb(0xE0B020), rgb(0x202020), 3);
    }
    return c;
}

Canvas draw_robot_cow()
{
    const int w = 1024, h = 576;
    Canvas c(w, h);
    const Colour steel = rgb(0x9AA4B0), dark = rgb(0x3A4048), line = rgb(0x1A1E24);
    Paint metal = [&](double, double y) { return mix(rgb(0xC8D0DA), steel, std::clamp((y - 150) / 300.0, 0.0, 1.0)); };
    // Legs as pistons.
    for (double x : {360.0, 430.0, 650.0, 720.0}) {
        outlined(c, rounded_box(x, 340, x + 40, 500, 8), dark, line, 3);
        outlined(c, rounded_box(x - 6, 490, x + 46, 520, 6), steel, line, 3);
    }
    outlined(c, rounded_box(320, 180, 800, 370, 30), metal, line, 4);         // body
    for (int i = 0; i < 8; ++i)
        c.fill(circle(350 + i * 60, 200, 5), dark);                            // rivets
    outlined(c, rounded_box(450, 230, 660, 320, 12), rgb(0x20262E), line, 3);  // panel
    for (int i = 0; i < 5; ++i)
        c.fill(rounded_box(470 + i * 38, 250, 496 + i * 38, 300, 4),
               i % 2 ? rgb(0x40FF80) : rgb(0xFF4040));
    // Head with antennae, udder-like thrusters, tail cable.
    outlined(c, rounded_box(150, 120, 330, 280, 24), metal, line, 4);
    outlined(c, rounded_box(120, 210, 210, 290, 18), rgb(0xB0A0A8), line, 3);
    for (double x : {220.0, 290.0})
        outlined(c, circle(x, 175, 24), rgb(0x300000), line, 3);
    c.fill(circle(220, 175, 13), rgb(0xFF2020));
    c.fill(circle(290, 175, 13), rgb(0xFF2020));
    c.fill(segment({190, 120}, {160, 60}, 5), line);
    c.fill(segment({290, 120}, {320, 60}, 5), line);
    c.fill(circle(160, 60, 12), rgb(0x40C0FF));
    c.fill(circle(320, 60, 12), rgb(0x40C0FF));
    c.fill(segment({800, 220}, {880, 300}, 5), line);
    c.fill(circle(885, 305, 12), rgb(0x40C0FF));
    outlined(c, ellipse(560, 385, 50, 22), rgb(0xD0B0C0), line, 3);
    return c;
}

Canvas draw_robot_cow_glow(const Canvas& robot)
{
    // The lights of the robot (its saturated colours) glow in wide halos over a faint, cool
    // sheen of its body; the scene adds this picture over the robot.
    Canvas lights(robot.width(), robot.height());
    for (int y = 0; y < lights.height(); ++y)
        for (int x = 0; x < lights.width(); ++x) {
            Colour p = robot.at(x, y);
            double bright = std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b});
            if (bright > 0.5 && p.a > 0.5)
                lights.set(x, y, Colour{p.r, p.g, p.b, 1.0});
        }
    Canvas halo = lights;
    halo.blur(22);
    for (int y = 0; y < halo.height(); ++y)
        for (int x = 0; x < halo.width(); ++x) {
            Colour p = halo.at(x, y);
            p.a = std::min(1.0, p.a * 3.0);
            halo.set(x, y, p);
        }
    lights.blur(5);
    Canvas soft = robot;
    soft.blur(3);
    soft.tint(Colour{0.18, 0.22, 0.3, 1});
    soft.paste(halo, 0, 0);
    soft.paste(lights, 0, 0);
    return soft;
}

Canvas draw_announcer_strip()
{
    // A light caption board: the announcer prints black text over all of it but the cow's
    // corner, so it stays plain and pale, with a ruler edge along the top.
    const int w = 1280, h = 160;
    Canvas c(w, h);
    c.shade([&](double, double y) { return mix(rgb(0xF6F0DC), rgb(0xE6DAB8), y / h); });
    const Colour ink = rgb(0x3A3020);
    c.fill(rounded_box(0, 0, w, 5, 0), ink);
    for (int i = 0; i < 128; ++i) {
        double x = 5 + i * 10;
        c.fill(segment({x, 5}, {x, i % 10 == 0 ? 20.0 : i % 5 == 0 ? 14.0 : 10.0}, 1.0), ink);
    }
    c.fill(rounded_box(0, h - 4, w, h, 0), rgb(0xC8B47C));
    return c;
}

Canvas draw_cloud_sky()
{
    // Clouds on a clear background; the picture tiles in both directions.
    const int s = 512;
    Canvas c(s, s);
    c.shade([&](double x, double y) {
        double n = 0, amp = 1, norm = 0;
        for (int o = 0; o < 5; ++o) {
            int period = 4 << o;
            n += tiling_noise(x / s * period, y / s * period, period, 500 + o) * amp;
            norm += amp;
            amp *= 0.5;
        }
        n /= norm;
        double a = std::clamp((n - 0.48) * 4.0, 0.0, 1.0);
        return Colour{1, 1, 1, a * 0.95};
    });
    return c;
}

Canvas draw_plane()
{
    const int w = 512, h = 256;
    Canvas c(w, h);
    const Colour body = rgb(0xF0F0F4), line = rgb(0x303040), red = rgb(0xD02830);
    outlined(c, polygon({{300, 120}, {250, 40}, {280, 40}, {360, 120}}), body, line, 3);  // tail fin
    outlined(c, ellipse(250, 140, 200, 36), body, line, 3);                                // fuselage
    outlined(c, polygon({{180, 150}, {300, 150}, {240, 230}, {200, 230}}), body, line, 3); // wing
    c.fill(rounded_box(70, 136, 430, 146, 3), red);
    for (int i = 0; i < 6; ++i)
        c.fill(circle(110 + i * 40, 124, 8), rgb(0x6AB0E0));
    c.fill(ellipse(60, 135, 16, 22), rgb(0x404050));                                       // propeller hub
    c.fill(rounded_box(52, 80, 60, 190, 4), rgb(0x505060, 0.7));
    // Drawn nose left; mirrored so that it flies to the right, the way the show moves it.
    Canvas mirrored(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            mirrored.set(x, y, c.at(w - 1 - x, y));
    return mirrored;
}

Canvas draw_flying_cow()
{
    Canvas cow = draw_confused_cow();
    Canvas c(cow.width(), cow.height() + 60);
    // Wind lines behind the falling cow.
    for (int i = 0; i < 4; ++i)
        c.fill(segment({300.0 + i * 40, 20}, {300.0 + i * 40, 70}, 3), rgb(0xFFFFFF, 0.8));
    c.paste(cow, 0, 60);
    return c;
}

Canvas draw_thermometer(Fonts& fonts, int degrees)
{
    const int w = 256, h = 640;
    Canvas c(w, h);
    const Colour line = rgb(0x202020), glass = rgb(0xF4F8FF, 0.9), red = rgb(0xE02020);
    const double top = 60, bottom = 520; // the scale from 100 down to -100
    // A light card behind, so the dark scale reads on the scene's black.
    outlined(c, rounded_box(6, 4, w - 6, h - 4, 26), rgb(0xE6E1D6), line, 3);
    outlined(c, rounded_box(98, 30, 158, 560, 30), glass, line, 4);
    outlined(c, circle(128, 575, 48), red, line, 4);
    double level = bottom - (degrees + 100) / 200.0 * (bottom - top);
    c.fill(rounded_box(116, std::min(level, bottom + 20), 140, 570, 10), red);
    for (int t = -100; t <= 100; t += 25) {
        double y = bottom - (t + 100) / 200.0 * (bottom - top);
        c.fill(segment({158, y}, {t % 50 == 0 ? 190.0 : 176.0, y}, 2), line);
        if (t % 50 == 0)
            fonts.sans.draw(c, std::to_string(t), 196, y + 8, 22, line);
    }
    fonts.bold.draw(c, "BEER", 20, 24, 24, line);
    return c;
}

Canvas draw_temperature_cow(int degrees)
{
    Canvas cow = draw_confused_cow();
    Canvas c(cow.width() + 40, cow.height() + 80);
    if (degrees < 0) {
        cow.tint(Colour{0.7, 0.85, 1.0, 1});
        c.paste(cow, 20, 50);
        c.fill(rounded_box(6, 30, c.width() - 6, c.height() - 6, 18), rgb(0xBFE8FF, 0.45));
        for (int i = 0; i < 8; ++i) {
            double x = 40 + i * 62;
            c.fill(polygon({{x, 30}, {x + 18, 30}, {x + 9, 30 + 30.0 + (i % 3) * 14}}), rgb(0xE0F6FF, 0.9));
        }
    } else if (degrees == 0) {
        c.paste(cow, 20, 0);
        // A bath tub with water and bubbles.
        outlined(c, rounded_box(0, 260, c.width(), c.height() - 20, 40), rgb(0xF8F8F8), rgb(0x404048), 4);
        c.fill(rounded_box(12, 262, c.width() - 12, 300, 10), rgb(0x70C0F0, 0.8));
        for (int i = 0; i < 10; ++i)
            c.fill(ring(40.0 + i * 48, 256 - (i % 3) * 10, 12, 12, 2), rgb(0xFFFFFF, 0.9));
        c.fill(rounded_box(60, c.height() - 24, 90, c.height(), 6), rgb(0x404048));
        c.fill(rounded_box(c.width() - 90, c.height() - 24, c.width() - 60, c.height(), 6), rgb(0x404048));
    } else {
        cow.tint(Colour{1.0, 0.6, 0.55, 1});
        c.paste(cow, 20, 70);
        // Crossed-out eyes and steam.
        for (double x : {132.0, 188.0}) {
            c.fill(segment({x - 18, 180}, {x + 18, 216}, 5), rgb(0x101010));
            c.fill(segment({x - 18, 216}, {x + 18, 180}, 5), rgb(0x101010));
        }
        for (int i = 0; i < 3; ++i) {
            double x = 120 + i * 40;
            for (int k = 0; k < 6; ++k)
                c.fill(circle(x + 8 * std::sin(k * 1.2), 60 - k * 9.0, 6 - k * 0.6), rgb(0xFFFFFF, 0.7));
        }
    }
    return c;
}

Canvas draw_cow_moon()
{
    const int w = 1024, h = 576;
    Canvas c(w, h, rgb(0x000000));
    c.shade([&](double, double y) { return mix(rgb(0x04061A), rgb(0x1A2450), y / h); });
    stars(c, 220, 99);
    Canvas glow(w, h);
    glow.fill(circle(640, 250, 190), rgb(0xFFF4C0, 0.5));
    glow.blur(24);
    c.paste(glow, 0, 0);
    c.fill(circle(640, 250, 170), [&](double x, double y) {
        double n = fractal_noise(x / 70.0, y / 70.0, 61, 4);
        return mix(rgb(0xF6F0D8), rgb(0xB8B094), n);
    });
    for (auto [x, y, r] : std::vector<std::tuple<double, double, double>>{
             {600, 200, 26}, {700, 290, 34}, {580, 320, 18}, {690, 180, 14}})
        c.fill(circle(x, y, r), rgb(0xA8A088, 0.7));
    // A cow leaping over the moon, in silhouette.
    Canvas cow = draw_confused_cow().scaled(300, 246);
    cow.tint(Colour{0.08, 0.08, 0.14, 1});
    c.paste(cow, 500, 20);
    return c;
}

} // namespace pictures
