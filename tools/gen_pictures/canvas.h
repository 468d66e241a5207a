// An RGBA picture in floating point with anti-aliased shapes, gradients and blur, for drawing
// the show's pictures procedurally. Coordinates are pixels, origin at the top left.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace pictures {

struct Colour {
    double r = 0, g = 0, b = 0, a = 1;
};

Colour rgb(int hex, double alpha = 1.0);
Colour mix(const Colour& a, const Colour& b, double t);

struct Point {
    double x = 0, y = 0;
};

// Signed distance in pixels from a point to a shape (negative inside).
using Distance = std::function<double(double x, double y)>;
// The colour of a shape at a point (gradients, textures).
using Paint = std::function<Colour(double x, double y)>;

Distance circle(double cx, double cy, double radius);
Distance ellipse(double cx, double cy, double rx, double ry);
Distance rounded_box(double x0, double y0, double x1, double y1, double radius);
Distance segment(Point a, Point b, double half_width);
Distance polygon(std::vector<Point> points);
Distance ring(double cx, double cy, double rx, double ry, double half_width);
Distance unite(Distance a, Distance b);
Distance subtract(Distance a, Distance b);
Distance intersect(Distance a, Distance b);

class Canvas {
public:
    Canvas(int width, int height, Colour background = Colour{0, 0, 0, 0});

    int width() const { return w; }
    int height() const { return h; }

    // Paints a shape over the picture with source-over blending, anti-aliased at its edge.
    void fill(const Distance& shape, const Colour& colour);
    void fill(const Distance& shape, const Paint& paint);

    // Paints every pixel through a function of its position, blended over.
    void shade(const Paint& paint);

    // Blends one pixel over what is there with a coverage of 0..1.
    void blend(int x, int y, const Colour& colour, double coverage);

    Colour at(int x, int y) const;
    void set(int x, int y, const Colour& colour);

    // Blends another canvas over this one with its top left corner at (x, y).
    void paste(const Canvas& other, int x, int y, double alpha = 1.0);

    // A resampled copy of the given size (bilinear, premultiplied).
    Canvas scaled(int new_width, int new_height) const;

    // Multiplies every pixel's colour by a tint (alpha untouched).
    void tint(const Colour& by);

    // Box blur of all four channels (three passes come close to a Gaussian).
    void blur(int radius, int passes = 3);

    // 8-bit RGBA rows, top row first.
    std::vector<uint8_t> rgba8() const;
    // 8-bit RGB rows over the given background colour, top row first.
    std::vector<uint8_t> rgb8() const;

private:
    int w, h;
    std::vector<Colour> pixels;
};

// Smooth value noise in 0..1 with a fixed seed.
double value_noise(double x, double y, uint32_t seed);
// The same, repeating every period units in x and y (for pictures that tile).
double tiling_noise(double x, double y, int period, uint32_t seed);
// Smooth value noise of a point in space, in 0..1 (seamless over a sphere of directions).
double value_noise3(double x, double y, double z, uint32_t seed);
// Several octaves of value noise, in 0..1.
double fractal_noise(double x, double y, uint32_t seed, int octaves);

} // namespace pictures
