#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace pictures {

Colour rgb(int hex, double alpha)
{
    return Colour{((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0,
                  alpha};
}

Colour mix(const Colour& a, const Colour& b, double t)
{
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
                  a.a + (b.a - a.a) * t};
}

Distance circle(double cx, double cy, double radius)
{
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - radius; };
}

Distance ellipse(double cx, double cy, double rx, double ry)
{
    // Scaled distance, corrected by the gradient length: close enough for edge smoothing.
    return [=](double x, double y) {
        double dx = (x - cx) / rx, dy = (y - cy) / ry;
        double k = std::hypot(dx, dy);
        if (k < 1e-9)
            return -std::min(rx, ry);
        double grad = std::hypot(dx / rx, dy / ry);
        return (k - 1.0) * k / grad;
    };
}

Distance rounded_box(double x0, double y0, double x1, double y1, double radius)
{
    double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    return [=](double x, double y) {
        double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
        double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
        return outside + std::min(std::max(qx, qy), 0.0) - radius;
    };
}

Distance segment(Point a, Point b, double half_width)
{
    return [=](double x, double y) {
        double px = x - a.x, py = y - a.y, bx = b.x - a.x, by = b.y - a.y;
        double len2 = bx * bx + by * by;
        double t = len2 > 0 ? std::clamp((px * bx + py * by) / len2, 0.0, 1.0) : 0.0;
        return std::hypot(px - bx * t, py - by * t) - half_width;
    };
}

Distance polygon(std::vector<Point> points)
{
    return [points](double x, double y) {
        double best = 1e30;
        bool inside = false;
        size_t n = points.size();
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            const Point& a = points[j];
            const Point& b = points[i];
            double ex = b.x - a.x, ey = b.y - a.y, wx = x - a.x, wy = y - a.y;
            double len2 = ex * ex + ey * ey;
            double t = len2 > 0 ? std::clamp((wx * ex + wy * ey) / len2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(wx - ex * t, wy - ey * t));
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
        return inside ? -best : best;
    };
}

Distance ring(double cx, double cy, double rx, double ry, double half_width)
{
    Distance e = ellipse(cx, cy, rx, ry);
    return [=](double x, double y) { return std::fabs(e(x, y)) - half_width; };
}

Distance unite(Distance a, Distance b)
{
    return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

Distance subtract(Distance a, Distance b)
{
    return [=](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}

Distance intersect(Distance a, Distance b)
{
    return [=](double x, double y) { return std::max(a(x, y), b(x, y)); };
}

Canvas::Canvas(int width, int height, Colour background)
    : w(width), h(height), pixels(static_cast<size_t>(width) * height, background)
{
}

void Canvas::blend(int x, int y, const Colour& c, double coverage)
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    double sa = std::clamp(c.a * coverage, 0.0, 1.0);
    if (sa <= 0.0)
        return;
    Colour& d = pixels[static_cast<size_t>(y) * w + x];
    double oa = sa + d.a * (1.0 - sa);
    if (oa <= 0.0) {
        d = Colour{0, 0, 0, 0};
        return;
    }
    d.r = (c.r * sa + d.r * d.a * (1.0 - sa)) / oa;
    d.g = (c.g * sa + d.g * d.a * (1.0 - sa)) / oa;
    d.b = (c.b * sa + d.b * d.a * (1.0 - sa)) / oa;
    d.a = oa;
}

void Canvas::fill(const Distance& shape, const Colour& colour)
{
    fill(shape, [colour](double, double) { return colour; });
}

void Canvas::fill(const Distance& shape, const Paint& paint)
{
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double d = shape(px, py);
            if (d >= 0.5) {
                // Skip ahead over empty space: the distance says how far the shape is.
                int skip = static_cast<int>((d - 0.5) * 0.5);
                if (skip > 1)
                    x += skip - 1;
                continue;
            }
            double coverage = std::clamp(0.5 - d, 0.0, 1.0);
            blend(x, y, paint(px, py), coverage);
        }
    }
}

void Canvas::shade(const Paint& paint)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            blend(x, y, paint(x + 0.5, y + 0.5), 1.0);
}

Colour Canvas::at(int x, int y) const
{
    x = std::clamp(x, 0, w - 1);
    y = std::clamp(y, 0, h - 1);
    return pixels[static_cast<size_t>(y) * w + x];
}

void Canvas::set(int x, int y, const Colour& colour)
{
    if (x >= 0 && y >= 0 && x < w && y < h)
        pixels[static_cast<size_t>(y) * w + x] = colour;
}

void Canvas::paste(const Canvas& other, int x, int y, double alpha)
{
    for (int j = 0; j < other.h; ++j)
        for (int i = 0; i < other.w; ++i)
            blend(x + i, y + j, other.pixels[static_cast<size_t>(j) * other.w + i], alpha);
}

void Canvas::blur(int radius, int passes)
{
    if (radius <= 0)
        return;
    // Blur premultiplied colour, so transparent pixels do not darken the edges.
    std::vector<Colour> pre(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Colour& p = pixels[i];
        pre[i] = Colour{p.r * p.a, p.g * p.a, p.b * p.a, p.a};
    }
    std::vector<Colour> tmp(pre.size());
    auto pass = [&](bool horizontal) {
        int len = horizontal ? w : h, lines = horizontal ? h : w;
        for (int line = 0; line < lines; ++line) {
            auto idx = [&](int i) {
                i = std::clamp(i, 0, len - 1);
                return horizontal ? static_cast<size_t>(line) * w + i
                                  : static_cast<size_t>(i) * w + line;
            };
            Colour sum{0, 0, 0, 0};
            for (int i = -radius; i <= radius; ++i) {
                const Colour& c = pre[idx(i)];
                sum.r += c.r; sum.g += c.g; sum.b += c.b; sum.a += c.a;
            }
            double k = 1.0 / (2 * radius + 1);
            for (int i = 0; i < len; ++i) {
                tmp[idx(i)] = Colour{sum.r * k, sum.g * k, sum.b * k, sum.a * k};
                const Colour& add = pre[idx(i + radius + 1)];
                const Colour& sub = pre[idx(i - radius)];
                sum.r += add.r - sub.r; sum.g += add.g - sub.g;
                sum.b += add.b - sub.b; sum.a += add.a - sub.a;
            }
        }
        pre.swap(tmp);
    };
    for (int p = 0; p < passes; ++p) {
        pass(true);
        pass(false);
    }
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Colour& c = pre[i];
        pixels[i] = c.a > 1e-9 ? Colour{c.r / c.a, c.g / c.a, c.b / c.a, c.a} : Colour{0, 0, 0, 0};
    }
}

Canvas Canvas::scaled(int new_width, int new_height) const
{
    Canvas out(new_width, new_height);
    for (int y = 0; y < new_height; ++y) {
        for (int x = 0; x < new_width; ++x) {
            double sx = (x + 0.5) * w / new_width - 0.5, sy = (y + 0.5) * h / new_height - 0.5;
            int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
            double fx = sx - x0, fy = sy - y0;
            Colour sum{0, 0, 0, 0};
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i) {
                    Colour c = at(x0 + i, y0 + j);
                    double k = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
                    sum.r += c.r * c.a * k; sum.g += c.g * c.a * k;
                    sum.b += c.b * c.a * k; sum.a += c.a * k;
                }
            out.set(x, y, sum.a > 1e-9 ? Colour{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a}
                                       : Colour{0, 0, 0, 0});
        }
    }
    return out;
}

void Canvas::tint(const Colour& by)
{
    for (Colour& p : pixels) {
        p.r *= by.r;
        p.g *= by.g;
        p.b *= by.b;
    }
}

namespace {
uint8_t to_byte(double v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}
} // namespace

std::vector<uint8_t> Canvas::rgba8() const
{
    std::vector<uint8_t> out(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Colour& p = pixels[i];
        out[i * 4] = to_byte(p.r);
        out[i * 4 + 1] = to_byte(p.g);
        out[i * 4 + 2] = to_byte(p.b);
        out[i * 4 + 3] = to_byte(p.a);
    }
    return out;
}

std::vector<uint8_t> Canvas::rgb8() const
{
    std::vector<uint8_t> out(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Colour& p = pixels[i];
        out[i * 3] = to_byte(p.r * p.a);
        out[i * 3 + 1] = to_byte(p.g * p.a);
        out[i * 3 + 2] = to_byte(p.b * p.a);
    }
    return out;
}

namespace {
double lattice(int x, int y, uint32_t seed)
{
    uint32_t n = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    n = (n ^ (n >> 13)) * 1274126177u;
    n ^= n >> 16;
    return (n & 0xFFFFFF) / static_cast<double>(0xFFFFFF);
}
} // namespace

double value_noise(double x, double y, uint32_t seed)
{
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    double fx = x - xi, fy = y - yi;
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    double a = lattice(xi, yi, seed), b = lattice(xi + 1, yi, seed);
    double c = lattice(xi, yi + 1, seed), d = lattice(xi + 1, yi + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double tiling_noise(double x, double y, int period, uint32_t seed)
{
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    double fx = x - xi, fy = y - yi;
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto wrap = [period](int v) { return ((v % period) + period) % period; };
    double a = lattice(wrap(xi), wrap(yi), seed), b = lattice(wrap(xi + 1), wrap(yi), seed);
    double c = lattice(wrap(xi), wrap(yi + 1), seed), d = lattice(wrap(xi + 1), wrap(yi + 1), seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double value_noise3(double x, double y, double z, uint32_t seed)
{
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y)),
        zi = static_cast<int>(std::floor(z));
    double fx = x - xi, fy = y - yi, fz = z - zi;
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy), sz = fz * fz * (3 - 2 * fz);
    auto layer = [&](int zz) {
        uint32_t s = seed + static_cast<uint32_t>(zz) * 2654435761u;
        double a = lattice(xi, yi, s), b = lattice(xi + 1, yi, s);
        double c = lattice(xi, yi + 1, s), d = lattice(xi + 1, yi + 1, s);
        return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
    };
    double lo = layer(zi), hi = layer(zi + 1);
    return lo + (hi - lo) * sz;
}

double fractal_noise(double x, double y, uint32_t seed, int octaves)
{
    double sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += value_noise(x, y, seed + static_cast<uint32_t>(i) * 31u) * amp;
        norm += amp;
        amp *= 0.5;
        x *= 2.0;
        y *= 2.0;
    }
    return sum / norm;
}

} // namespace pictures
