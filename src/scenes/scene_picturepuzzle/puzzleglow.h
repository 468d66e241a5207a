// Which cubes of the picture puzzle glow at a beat, and how brightly: the first note of the
// beeper that sounds at the beat picks three cubes from its place in the note list, and the
// glow fades from 1 at the note's start to 0 at its end.
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
