#include "scenes/scene_picturepuzzle/puzzleglow.h"

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
