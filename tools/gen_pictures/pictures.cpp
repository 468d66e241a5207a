#include "pictures.h"

#include <algorithm>
#include <cmath>

namespace pictures {

namespace {

constexpr double PI = 3.14159265358979323846;

Colour grey(double v, double a = 1.0) { return Colour{v, v, v, a}; }

// A shape drawn with a dark outline of the given width around it.
void outlined(Canvas& c, const Distance& shape, const Colour& fill, const Colour& line,
              double width)
{
    c.fill([shape, width](double x, double y) { return shape(x, y) - width; }, line);
    c.fill(shape, fill);
}

Point rotate(Point p, Point centre, double angle)
{
    double s = std::sin(angle), co = std::cos(angle);
    double dx = p.x - centre.x, dy = p.y - centre.y;
    return Point{centre.x + dx * co - dy * s, centre.y + dx * s + dy * co};
}

std::vector<Point> star_points(double cx, double cy, double outer, double inner, int tips)
{
    std::vector<Point> pts;
    for (int i = 0; i < tips * 2; ++i) {
        double r = i % 2 ? inner : outer;
        double a = -PI / 2 + i * PI / tips;
        pts.push_back(Point{cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return pts;
}

// A spiral line from the centre outwards, for dizzy eyes.
void spiral(Canvas& c, double cx, double cy, double radius, double turns, const Colour& colour,
            double width)
{
    const int steps = 60;
    Point last{cx, cy};
    for (int i = 1; i <= steps; ++i) {
        double t = static_cast<double>(i) / steps;
        double a = t * turns * 2 * PI;
        Point p{cx + radius * t * std::cos(a), cy + radius * t * std::sin(a)};
        c.fill(segment(last, p, width), colour);
        last = p;
    }
}

} // namespace

Canvas draw_logo(Fonts& fonts)
{
    const int w = 1024, h = 576;
    Canvas c(w, h);
    c.shade([&](double x, double y) {
        double t = y / h;
        Colour top = rgb(0x0A0C1C), bottom = rgb(0x241A3E);
        Colour base = mix(top, bottom, t);
        double glow = std::exp(-std::pow((x - w / 2.0) / 380.0, 2) - std::pow((y - 250) / 160.0, 2));
        return mix(base, rgb(0x3A4C8A), glow * 0.55);
    });
    // Grid lines towards a horizon.
    for (int i = -12; i <= 12; ++i)
        c.fill(segment(Point{w / 2.0 + i * 12.0, 400}, Point{w / 2.0 + i * 90.0, h + 10.0}, 0.8),
               rgb(0x6A7CFF, 0.35));
    for (int i = 0; i < 7; ++i) {
        double y = 400 + std::pow(i / 6.0, 1.8) * 176;
        c.fill(segment(Point{0, y}, Point{double(w), y}, 0.7), rgb(0x6A7CFF, 0.3));
    }
    // The emblem: a ring with a ruler-like scale, the unit theme of the show.
    c.fill(ring(w / 2.0, 150, 70, 70, 5), rgb(0x6AE0FF));
    for (int i = 0; i < 24; ++i) {
        double a = i * PI / 12;
        double r0 = i % 6 == 0 ? 46 : 56;
        c.fill(segment(Point{w / 2.0 + r0 * std::cos(a), 150 + r0 * std::sin(a)},
                       Point{w / 2.0 + 64 * std::cos(a), 150 + 64 * std::sin(a)}, 1.6),
               rgb(0x6AE0FF));
    }
    c.fill(segment(Point{w / 2.0, 150}, Point{w / 2.0 + 30, 120}, 3), rgb(0xFFFFFF));
    // Lettering with a soft glow behind it.
    Canvas glow(w, h);
    fonts.bold.draw_centred(glow, "tarnholm", w / 2.0, 350, 150, rgb(0x7FA8FF));
    glow.blur(9);
    c.paste(glow, 0, 0, 0.9);
    fonts.bold.draw_centred(c, "tarnholm", w / 2.0, 350, 150, rgb(0xF4F6FF));
    fonts.sans.draw_centred(c, "quorel system", w / 2.0, 420, 46, rgb(0x6AE0FF));
    return c;
}

Canvas draw_ascii_chart(Fonts& fonts)
{
    Canvas c(128, 128);
    const Colour ink = grey(1.0);
    for (int code = 0; code < 256; ++code) {
        int x0 = (code % 16) * 8, y0 = (code / 16) * 8;
        auto cell = [&](int x, int y, double a) { c.blend(x0 + x, y0 + y, ink, a); };
        if (code >= 33 && code <= 126) {
            fonts.mono.draw(c, std::string(1, static_cast<char>(code)), x0 + 1, y0 + 7, 8, ink,
                            true);
        } else if (code >= 176 && code <= 178) {
            // Light, medium and dark shades.
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    bool on = code == 176 ? ((x + 2 * y) % 4 == 0)
                            : code == 177 ? ((x + y) % 2 == 0)
                                          : ((x + 2 * y) % 4 != 0);
                    if (on)
                        cell(x, y, 1.0);
                }
        } else if (code == 219 || code == 220 || code == 223 || code == 221 || code == 222) {
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    bool on = code == 219 || (code == 220 && y >= 4) || (code == 223 && y < 4) ||
                              (code == 221 && x < 4) || (code == 222 && x >= 4);
                    if (on)
                        cell(x, y, 1.0);
                }
        } else if (code == 254) {
            for (int y = 2; y < 6; ++y)
                for (int x = 2; x < 6; ++x)
                    cell(x, y, 1.0);
        } else if (code == 7 || code == 249 || code == 250) {
            cell(3, 3, 1.0); cell(4, 3, 1.0); cell(3, 4, 1.0); cell(4, 4, 1.0);
        }
    }
    return c;
}

Canvas draw_sun_with_orbit()
{
    const int w = 1024, h = 320;
    const double cx = w / 2.0, cy = h / 2.0, r = 100;
    Canvas c(w, h);
    // The orbit, dashed where it passes behind the sun. The intro moves the globe 0.35 of the
    // screen's width and 0.17 of its height around the sun's centre and draws this picture 0.4
    // of the screen high (320 pixels): at 16:9 that is 280 x 16/9 = 498 by 136 of its pixels.
    c.fill(ring(cx, cy, 498, 136, 1.6), [&](double x, double) {
        return rgb(0xBFD8FF, std::fabs(x - cx) < r * 1.3 ? 0.25 : 0.7);
    });
    // Corona.
    Canvas corona(w, h);
    corona.fill(circle(cx, cy, r * 1.25), rgb(0xFFB030, 0.9));
    for (int i = 0; i < 18; ++i) {
        double a = i * 2 * PI / 18;
        double len = i % 2 ? 1.45 : 1.7;
        Point tip{cx + r * len * std::cos(a), cy + r * len * std::sin(a)};
        Point s1{cx + r * 0.9 * std::cos(a - 0.12), cy + r * 0.9 * std::sin(a - 0.12)};
        Point s2{cx + r * 0.9 * std::cos(a + 0.12), cy + r * 0.9 * std::sin(a + 0.12)};
        corona.fill(polygon({s1, tip, s2}), rgb(0xFFD040, 0.9));
    }
    corona.blur(6);
    c.paste(corona, 0, 0);
    // The disc, hot in the middle, with a few darker spots.
    c.fill(circle(cx, cy, r), [&](double x, double y) {
        double d = std::hypot(x - cx, y - cy) / r;
        Colour col = mix(rgb(0xFFF8C0), rgb(0xFF9A10), std::pow(d, 1.6));
        double n = fractal_noise(x / 22.0, y / 22.0, 7, 3);
        return mix(col, rgb(0xE06000), std::max(0.0, n - 0.62) * 1.6);
    });
    return c;
}

Canvas draw_globe()
{
    const int s = 256;
    const double cx = s / 2.0, cy = s / 2.0, r = 118;
    Canvas c(s, s);
    // Thin atmosphere.
    Canvas air(s, s);
    air.fill(circle(cx, cy, r + 4), rgb(0x80C0FF, 0.6));
    air.blur(4);
    c.paste(air, 0, 0);
    c.fill(circle(cx, cy, r), [&](double x, double y) {
        double nx = (x - cx) / r, ny = (y - cy) / r;
        double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
        // Tilt the axis a little, then read latitude and longitude.
        double tilt = 0.4;
        double ty = ny * std::cos(tilt) - nz * std::sin(tilt);
        double tz = ny * std::sin(tilt) + nz * std::cos(tilt);
        double lat = std::asin(std::clamp(-ty, -1.0, 1.0));
        double lon = std::atan2(nx, tz);
        double land = fractal_noise(lon * 2.2 + 10, lat * 2.6 + 10, 42, 5);
        Colour col;
        if (std::fabs(lat) > 1.22)
            col = rgb(0xF2F6FF);
        else if (land > 0.54)
            col = mix(rgb(0x3C8A32), rgb(0xA08850), std::clamp((land - 0.54) * 5, 0.0, 1.0));
        else
            col = mix(rgb(0x0E3C8C), rgb(0x2A70C8), land / 0.54);
        double light = std::max(0.0, -0.5 * nx - 0.45 * ny + 0.74 * nz);
        double shade = 0.18 + 0.82 * light;
        return Colour{col.r * shade, col.g * shade, col.b * shade, 1.0};
    });
    return c;
}

Canvas draw_confused_cow()
{
    const int w = 512, h = 420;
    Canvas c(w, h);
    const Colour line = rgb(0x1A1A1A), white = rgb(0xF6F4EE), pink = rgb(0xF2A0A8);
    // Tail.
    c.fill(segment(Point{420, 150}, Point{470, 250}, 4), line);
    c.fill(ellipse(472, 262, 12, 18), line);
    // Far legs, a little darker.
    for (double x : {200.0, 380.0})
        outlined(c, rounded_box(x, 250, x + 38, 380, 12), rgb(0xDCD8D0), line, 3);
    // Body with patches.
    Distance body = ellipse(310, 200, 150, 88);
    c.fill([body](double x, double y) { return body(x, y) - 4; }, line);
    c.fill(body, [&](double x, double y) {
        double n = fractal_noise(x / 55.0, y / 55.0, 11, 3);
        return n > 0.6 ? rgb(0x222222) : white;
    });
    // Near legs with hooves.
    for (double x : {240.0, 410.0}) {
        outlined(c, rounded_box(x, 255, x + 40, 390, 12), white, line, 3);
        c.fill(rounded_box(x, 372, x + 40, 398, 6), rgb(0x3A3028));
    }
    c.fill(ellipse(330, 282, 34, 20), pink);
    // Head: ears, horns, face, snout.
    c.fill(polygon({{105, 78}, {92, 40}, {130, 70}}), rgb(0xE8D890));
    c.fill(polygon({{175, 78}, {192, 40}, {152, 70}}), rgb(0xE8D890));
    outlined(c, ellipse(62, 105, 34, 16), white, line, 3);
    outlined(c, ellipse(218, 105, 34, 16), white, line, 3);
    outlined(c, ellipse(140, 140, 72, 66), white, line, 4);
    outlined(c, ellipse(140, 196, 56, 36), pink, line, 3);
    c.fill(ellipse(120, 198, 8, 11), rgb(0x70303A));
    c.fill(ellipse(160, 198, 8, 11), rgb(0x70303A));
    // Dizzy eyes and a wavering mouth.
    for (double x : {112.0, 168.0}) {
        outlined(c, circle(x, 128, 19), rgb(0xFFFFFF), line, 2.5);
        spiral(c, x, 128, 15, 2.5, line, 1.6);
    }
    for (int i = 0; i < 6; ++i) {
        double x0 = 116 + i * 8, x1 = x0 + 8;
        double y0 = 220 + (i % 2 ? 3 : -3), y1 = 220 + (i % 2 ? -3 : 3);
        c.fill(segment(Point{x0, y0}, Point{x1, y1}, 1.8), line);
    }
    // Little confusion marks circling the head.
    for (int i = 0; i < 3; ++i) {
        double a = -2.4 + i * 0.7;
        Point p{140 + 105 * std::cos(a), 120 + 80 * std::sin(a)};
        c.fill(ring(p.x, p.y, 9, 9, 2), rgb(0xFFD040));
    }
    return c;
}

Canvas draw_anticube()
{
    const int s = 512;
    Canvas c(s, s);
    // A cube in cabinet view: the front square, the back square shifted up and right.
    const double e = 250, x0 = 90, y0 = 190, ox = 110, oy = -95;
    Point f[4] = {{x0, y0}, {x0 + e, y0}, {x0 + e, y0 + e}, {x0, y0 + e}};
    Point k[4];
    for (int i = 0; i < 4; ++i)
        k[i] = Point{f[i].x + ox, f[i].y + oy};
    // Translucent faces, lit from the upper left; the back ones show through the front.
    c.fill(polygon({k[0], k[1], k[2], k[3]}), rgb(0x1C3060, 0.6));
    c.fill(polygon({f[0], k[0], k[1], f[1]}), rgb(0xA8DCFF, 0.7));
    c.fill(polygon({f[1], k[1], k[2], f[2]}), rgb(0x3A6AB0, 0.75));
    c.fill(polygon({f[0], f[1], f[2], f[3]}), rgb(0x5E9AE0, 0.55));
    // The edges that meet in the hidden corner, dashed.
    auto dashed = [&](Point a, Point b) {
        for (int i = 0; i < 12; i += 2) {
            Point p{a.x + (b.x - a.x) * i / 12.0, a.y + (b.y - a.y) * i / 12.0};
            Point q{a.x + (b.x - a.x) * (i + 1) / 12.0, a.y + (b.y - a.y) * (i + 1) / 12.0};
            c.fill(segment(p, q, 2.2), rgb(0xFFFFFF, 0.6));
        }
    };
    dashed(k[3], k[0]);
    dashed(k[3], k[2]);
    dashed(k[3], f[3]);
    const Colour edge = rgb(0xF0F8FF);
    for (int i = 0; i < 4; ++i)
        c.fill(segment(f[i], f[(i + 1) % 4], 3.2), edge);
    for (int i : {0, 1, 2})
        c.fill(segment(f[i], k[i], 3.2), edge);
    c.fill(segment(k[0], k[1], 3.2), edge);
    c.fill(segment(k[1], k[2], 3.2), edge);
    return c;
}

Canvas draw_red_star_flag(Fonts& fonts)
{
    (void)fonts;
    const int w = 800, h = 600;
    const double horizon = 430, sx = 400, sy = 400;
    Canvas c(w, h, rgb(0x000000));
    c.shade([&](double x, double y) {
        double t = std::clamp(y / horizon, 0.0, 1.0);
        Colour sky = mix(rgb(0x7A0008), rgb(0xE8301A), t);
        double a = std::atan2(y - sy, x - sx);
        double ray = std::fmod(a / (2 * PI) * 24 + 24, 2.0) < 1.0 ? 1.0 : 0.0;
        return mix(sky, rgb(0xFF6A2A), ray * 0.28 * t);
    });
    Canvas glow(w, h);
    glow.fill(circle(sx, sy, 190), rgb(0xFFC040, 0.55));
    glow.blur(20);
    c.paste(glow, 0, 0);
    c.fill(intersect(polygon(star_points(sx, sy, 170, 68, 5)),
                     [horizon](double, double y) { return y - horizon; }),
           rgb(0xFFD21E));
    // The ground in front of the rising star.
    c.fill([horizon](double, double y) { return horizon - y; }, [&](double, double y) {
        return mix(rgb(0x5A0004), rgb(0x240002), (y - horizon) / (h - horizon));
    });
    for (int i = 1; i < 6; ++i) {
        double y = horizon + std::pow(i / 5.0, 1.7) * (h - horizon);
        c.fill(segment(Point{0, y}, Point{double(w), y}, 1.0), rgb(0xA01010, 0.6));
    }
    return c;
}

Canvas draw_portrait()
{
    const int s = 512;
    Canvas c(s, s);
    const Colour skin = rgb(0xC8B4A4), dark = rgb(0x2A2420), coat = rgb(0x3A3E4A);
    // Shoulders and coat.
    c.fill(intersect(ellipse(256, 560, 230, 170), [](double, double y) { return y - 512; }),
           [&](double, double y) { return mix(coat, rgb(0x1E2028), (y - 400) / 112.0); });
    c.fill(polygon({{212, 392}, {256, 470}, {300, 392}}), rgb(0xE8E8E8));
    // Neck and head.
    c.fill(rounded_box(215, 300, 297, 420, 30), mix(skin, dark, 0.25));
    c.fill(ellipse(256, 220, 96, 122), [&](double x, double y) {
        double shade = std::clamp(0.75 + 0.35 * (256 - x) / 96.0 - 0.15 * (y - 220) / 122.0,
                                  0.3, 1.1);
        return Colour{skin.r * shade, skin.g * shade, skin.b * shade, 1.0};
    });
    // Hair.
    c.fill(intersect(ellipse(256, 190, 104, 118), [](double, double y) { return y - 160; }),
           dark);
    c.fill(ellipse(166, 230, 14, 30), mix(skin, dark, 0.3));
    c.fill(ellipse(346, 230, 14, 30), mix(skin, dark, 0.45));
    // Face.
    for (double x : {218.0, 294.0}) {
        c.fill(segment(Point{x - 24, 190}, Point{x + 22, 186}, 5), dark);
        c.fill(ellipse(x, 214, 17, 9), rgb(0xF4F0EA));
        c.fill(circle(x + 2, 214, 7), rgb(0x3A5070));
        c.fill(circle(x + 2, 214, 3), rgb(0x101010));
    }
    c.fill(polygon({{256, 220}, {242, 276}, {262, 280}}), mix(skin, dark, 0.3));
    c.fill(intersect(ring(256, 288, 34, 18, 3.5), [](double, double y) { return 292 - y; }),
           rgb(0x7A3A38));
    return c;
}

Canvas draw_portrait_glow(const Canvas& portrait)
{
    Canvas c(portrait.width(), portrait.height());
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            c.set(x, y, Colour{1, 1, 1, portrait.at(x, y).a});
    c.blur(10);
    return c;
}

Canvas draw_clock()
{
    const int s = 256;
    const double cx = 128, cy = 140;
    Canvas c(s, s);
    const Colour line = rgb(0x202020);
    // Bells and feet of an alarm clock.
    outlined(c, circle(62, 44, 28), rgb(0xD8A030), line, 3);
    outlined(c, circle(194, 44, 28), rgb(0xD8A030), line, 3);
    c.fill(segment(Point{80, 230}, Point{60, 252}, 6), line);
    c.fill(segment(Point{176, 230}, Point{196, 252}, 6), line);
    outlined(c, circle(cx, cy, 104), rgb(0xC03028), line, 3);
    c.fill(circle(cx, cy, 88), rgb(0xFBF8F0));
    for (int i = 0; i < 60; ++i) {
        double a = i * PI / 30;
        double r0 = i % 5 == 0 ? 70 : 80;
        c.fill(segment(Point{cx + r0 * std::sin(a), cy - r0 * std::cos(a)},
                       Point{cx + 85 * std::sin(a), cy - 85 * std::cos(a)}, i % 5 == 0 ? 2.5 : 1),
               line);
    }
    double hour = 10.2 / 12 * 2 * PI, minute = 10.0 / 60 * 2 * PI;
    c.fill(segment(Point{cx, cy}, Point{cx + 45 * std::sin(hour), cy - 45 * std::cos(hour)}, 5),
           line);
    c.fill(segment(Point{cx, cy}, Point{cx + 68 * std::sin(minute), cy - 68 * std::cos(minute)},
                   3.5),
           line);
    c.fill(segment(Point{cx, cy + 15}, Point{cx - 20, cy + 76}, 1.2), rgb(0xD02020));
    c.fill(circle(cx, cy, 6), rgb(0xD02020));
    return c;
}

Canvas draw_ruler(Fonts& fonts)
{
    const int w = 512, h = 128;
    Canvas c(w, h);
    const Colour line = rgb(0x2A2010);
    outlined(c, rounded_box(6, 20, 506, 108, 8), rgb(0xE8C060), rgb(0x6A4A18), 2);
    c.fill(rounded_box(6, 20, 506, 40, 8), rgb(0xF2D890, 0.6));
    for (int i = 0; i <= 48; ++i) {
        double x = 16 + i * 10;
        double len = i % 10 == 0 ? 34 : (i % 5 == 0 ? 24 : 14);
        c.fill(segment(Point{x, 22}, Point{x, 22 + len}, 1.1), line);
        if (i % 10 == 0)
            fonts.sans.draw_centred(c, std::to_string(i / 10), x, 88, 22, line);
    }
    fonts.sans.draw(c, "dm", 440, 98, 16, line);
    return c;
}

Canvas draw_multimeter(Fonts& fonts)
{
    const int w = 256, h = 320;
    Canvas c(w, h);
    const Colour line = rgb(0x181818);
    // Probe leads.
    c.fill(segment(Point{100, 270}, Point{40, 312}, 5), rgb(0xC02020));
    c.fill(segment(Point{156, 270}, Point{220, 312}, 5), line);
    outlined(c, rounded_box(34, 14, 222, 290, 22), rgb(0xF2C020), line, 3);
    c.fill(rounded_box(50, 30, 206, 274, 12), rgb(0x303438));
    c.fill(rounded_box(64, 44, 192, 104, 6), rgb(0x9CB48C));
    fonts.sans.draw_centred(c, "6.00", 128, 94, 44, rgb(0x1A2418));
    outlined(c, circle(128, 170, 44), rgb(0x505458), line, 3);
    c.fill(segment(Point{128, 170}, Point{100, 136}, 5), rgb(0xF0F0F0));
    for (int i = 0; i < 8; ++i) {
        double a = -PI * 0.8 + i * PI * 1.6 / 7;
        c.fill(circle(128 + 56 * std::sin(a), 170 - 56 * std::cos(a), 3), rgb(0xE0E0E0));
    }
    c.fill(circle(100, 246, 11), rgb(0xC02020));
    c.fill(circle(156, 246, 11), line);
    c.fill(circle(100, 246, 4), rgb(0x101010));
    c.fill(circle(156, 246, 4), rgb(0x606060));
    return c;
}

Canvas draw_beaker()
{
    const int s = 256;
    Canvas c(s, s);
    Distance glass =
        unite(rounded_box(58, 40, 198, 236, 14), polygon({{50, 36}, {78, 36}, {66, 56}}));
    c.fill(glass, rgb(0xD8ECFF, 0.35));
    // The liquid, up to the 5 mark.
    c.fill(intersect(rounded_box(62, 44, 194, 232, 12), [](double, double y) { return 120 - y; }),
           [](double, double y) {
               return mix(rgb(0x3090E0, 0.75), rgb(0x1450A0, 0.85), (y - 120) / 112.0);
           });
    c.fill(ellipse(128, 120, 66, 5), rgb(0x70C0FF, 0.8));
    for (int i = 0; i < 8; ++i) {
        double y = 220 - i * 22;
        c.fill(segment(Point{160, y}, Point{i % 2 ? 176.0 : 186.0, y}, 1.3), rgb(0xFFFFFF, 0.9));
    }
    // Glass edges and a highlight.
    c.fill([glass](double x, double y) { return std::fabs(glass(x, y)) - 2.0; },
           rgb(0xF0F8FF, 0.9));
    c.fill(rounded_box(72, 56, 80, 200, 4), rgb(0xFFFFFF, 0.45));
    return c;
}

Canvas draw_scales()
{
    const int s = 256;
    Canvas c(s, s);
    const Colour metal = rgb(0xC8A048), line = rgb(0x4A3410);
    c.fill(polygon({{98, 240}, {158, 240}, {140, 214}, {116, 214}}), metal);
    c.fill(rounded_box(122, 60, 134, 220, 4), metal);
    double tilt = 0.12;
    Point l = rotate(Point{40, 70}, Point{128, 70}, -tilt), r = rotate(Point{216, 70}, Point{128, 70}, -tilt);
    c.fill(segment(l, r, 5), line);
    c.fill(circle(128, 64, 10), metal);
    for (Point end : {l, r}) {
        double bowl_y = end.y + 100;
        c.fill(segment(end, Point{end.x - 30, bowl_y}, 1.3), line);
        c.fill(segment(end, Point{end.x + 30, bowl_y}, 1.3), line);
        c.fill(intersect(ellipse(end.x, bowl_y, 38, 22), [bowl_y](double, double y) { return bowl_y - y; }),
               metal);
        c.fill(ellipse(end.x, bowl_y, 38, 4), rgb(0xE8C870));
    }
    // A weight on the heavier side.
    c.fill(rounded_box(r.x - 14, r.y + 76, r.x + 14, r.y + 100, 3), rgb(0x505050));
    return c;
}

} // namespace pictures
