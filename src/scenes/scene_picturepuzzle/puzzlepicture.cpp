#include "scenes/scene_picturepuzzle/puzzlepicture.h"

#include <cstddef>

std::vector<PuzzleCube> find_puzzle_cubes(const unsigned char* rgba, int width, int height)
{
    std::vector<PuzzleCube> cubes;
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            const unsigned char* pixel =
                rgba + (static_cast<size_t>(py) * static_cast<size_t>(width) + static_cast<size_t>(px)) * 4;
            const float a = pixel[3] / 256.0f;
            if (a < 0.1f) continue;
            PuzzleCube cube;
            cube.target = IntVector3(px, 0, py);
            cube.r = pixel[0] / 256.0f;
            cube.g = pixel[1] / 256.0f;
            cube.b = pixel[2] / 256.0f;
            cubes.push_back(cube);
        }
    }
    return cubes;
}
