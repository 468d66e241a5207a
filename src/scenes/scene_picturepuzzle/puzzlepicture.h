// The cubes of the picture puzzle: every pixel of the picture that is opaque enough becomes
// one cube in the pixel's colour, its target the pixel's place on the grid's floor.
#pragma once

#include <vector>

#include "util/math/intvector3.h"

struct PuzzleCube {
    IntVector3 target; // (px, 0, py)
    float r, g, b;     // the pixel's bytes divided by 256
};

// The pixels are RGBA bytes, row by row from row 0 (GL order: the bottom row first). A pixel
// whose alpha byte divided by 256 is at least 0.1 (a byte of 26 or more) makes a cube; the
// cubes come row by row, left to right.
std::vector<PuzzleCube> find_puzzle_cubes(const unsigned char* rgba, int width, int height);
