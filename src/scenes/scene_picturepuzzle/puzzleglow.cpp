#include "scenes/scene_picturepuzzle/puzzleglow.h"

#include <algorithm>
#include <cmath>

PuzzleGlow select_puzzle_glow(const std::vector<float>& notes, float beat, size_t cube_count)
{
    PuzzleGlow glow;
    if (cube_count == 0) return glow;
    for (size_t k = 0; k + 1 < notes.size(); k += 2) {
        const float on = notes[k];
        const float off = -notes[k + 1];
        if (!(on <= beat && beat <= off)) continue;
        // The picks are spread by multipliers in 32-bit unsigned arithmetic.
        const unsigned int key = static_cast<unsigned int>(k);
        const unsigned int count = static_cast<unsigned int>(cube_count);
        glow.cubes = {(key * 157u) % count, (key * 64u) % count, (key * 4157u) % count};
        glow.intensity = off > on ? 1.0f - (beat - on) / (off - on) : 1.0f;
        break;
    }
    return glow;
}

namespace {

// out = a * b, column-major 4 x 4.
void multiply(const float a[16], const float b[16], float out[16])
{
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
            out[col * 4 + row] = sum;
        }
}

} // namespace

void extend_glow_bounds(GlowBounds& bounds, const float projection[16], const float view[16],
                        const float model[16], float half_edge)
{
    float view_model[16], clip_from_model[16];
    multiply(view, model, view_model);
    multiply(projection, view_model, clip_from_model);
    for (int corner = 0; corner < 8; ++corner) {
        const float p[3] = {corner & 1 ? half_edge : -half_edge, corner & 2 ? half_edge : -half_edge,
                            corner & 4 ? half_edge : -half_edge};
        float clip[4];
        for (int row = 0; row < 4; ++row)
            clip[row] = clip_from_model[row] * p[0] + clip_from_model[4 + row] * p[1] +
                        clip_from_model[8 + row] * p[2] + clip_from_model[12 + row];
        // Not a number fails the test too: the bounds then cover everything.
        if (!(clip[3] > 1.0e-6f)) {
            bounds.whole = true;
            continue;
        }
        const float x = clip[0] / clip[3], y = clip[1] / clip[3];
        if (x < bounds.min_x) bounds.min_x = x;
        if (x > bounds.max_x) bounds.max_x = x;
        if (y < bounds.min_y) bounds.min_y = y;
        if (y > bounds.max_y) bounds.max_y = y;
    }
}

GlowBox glow_reach(const GlowBounds& bounds, const int glow_viewport[4], int texture_width, int texture_height,
                   const int target_viewport[4])
{
    GlowBox box;
    const double target_x = target_viewport[0], target_y = target_viewport[1];
    const double target_w = target_viewport[2], target_h = target_viewport[3];
    if (bounds.whole) {
        box = {target_viewport[0], target_viewport[1], target_viewport[2], target_viewport[3]};
        return box;
    }
    if (!(bounds.min_x <= bounds.max_x && bounds.min_y <= bounds.max_y) || texture_width <= 0 ||
        texture_height <= 0 || target_w <= 0.0 || target_h <= 0.0)
        return box;
    // Texels of the glow picture a target pixel spans: beyond 1 the blur reads coarser mipmap
    // levels, each texel of which stands for up to twice that many.
    const double spread = std::max({1.0, texture_width / target_w, texture_height / target_h});
    // The outermost tap lies four texels out, and its filter reaches one texel of the level
    // it reads further; two more texels for rounding.
    const double reach = 4.0 + 4.0 * spread + 2.0;
    // Device coordinates to texels of the glow picture (through the viewport the cubes were
    // drawn in), widened by the reach, clamped to the texture; then to target pixels.
    const double left = std::max(0.0, glow_viewport[0] + (bounds.min_x + 1.0) * 0.5 * glow_viewport[2] - reach);
    const double right = std::min(static_cast<double>(texture_width),
                                  glow_viewport[0] + (bounds.max_x + 1.0) * 0.5 * glow_viewport[2] + reach);
    const double bottom = std::max(0.0, glow_viewport[1] + (bounds.min_y + 1.0) * 0.5 * glow_viewport[3] - reach);
    const double top = std::min(static_cast<double>(texture_height),
                                glow_viewport[1] + (bounds.max_y + 1.0) * 0.5 * glow_viewport[3] + reach);
    if (left >= right || bottom >= top) return box;
    const double x0 = std::floor(target_x + left / texture_width * target_w) - 1.0;
    const double x1 = std::ceil(target_x + right / texture_width * target_w) + 1.0;
    const double y0 = std::floor(target_y + bottom / texture_height * target_h) - 1.0;
    const double y1 = std::ceil(target_y + top / texture_height * target_h) + 1.0;
    const double cx0 = std::max(x0, target_x), cx1 = std::min(x1, target_x + target_w);
    const double cy0 = std::max(y0, target_y), cy1 = std::min(y1, target_y + target_h);
    if (cx0 >= cx1 || cy0 >= cy1) return box;
    box = {static_cast<int>(cx0), static_cast<int>(cy0), static_cast<int>(cx1 - cx0), static_cast<int>(cy1 - cy0)};
    return box;
}
