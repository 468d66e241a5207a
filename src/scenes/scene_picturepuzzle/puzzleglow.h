// Which cubes of the picture puzzle glow at a beat, and how brightly: the first note of the
// beeper that sounds at the beat picks three cubes from its place in the note list, and the
// glow fades from 1 at the note's start to 0 at its end. And where on the screen the blurred
// glow can reach, so that the blur runs only there.
#pragma once

#include <cstddef>
#include <vector>

struct PuzzleGlow {
    std::vector<size_t> cubes; // empty when nothing glows
    float intensity = 0.0f;
};

// `notes` interleaves each note's start and its negated end (start, -end, start, -end, ...).
// With no cubes nothing glows; a note of no length glows at full strength.
PuzzleGlow select_puzzle_glow(const std::vector<float>& notes, float beat, size_t cube_count);

// The glowing cubes' extent in normalised device coordinates. `whole` is set where a corner
// lies on or behind the eye's plane, which a projection cannot bound.
struct GlowBounds {
    float min_x = 1.0e30f, min_y = 1.0e30f;
    float max_x = -1.0e30f, max_y = -1.0e30f;
    bool whole = false;
};

// Widens the bounds by a cube of the given half edge around the origin of its model space.
// The matrices are OpenGL's, column by column.
void extend_glow_bounds(GlowBounds& bounds, const float projection[16], const float view[16],
                        const float model[16], float half_edge);

struct GlowBox {
    int x = 0, y = 0, width = 0, height = 0;
};

// The pixels of the target viewport where the glow picture, drawn with the bounds inside
// glow_viewport of a texture_width x texture_height texture and then blurred over the whole
// target viewport (taps up to four texels apart, each one bilinear or trilinear), can be other
// than black. The whole target viewport where the bounds are `whole`; empty where nothing
// glows or the glow lies outside it.
GlowBox glow_reach(const GlowBounds& bounds, const int glow_viewport[4], int texture_width, int texture_height,
                   const int target_viewport[4]);
