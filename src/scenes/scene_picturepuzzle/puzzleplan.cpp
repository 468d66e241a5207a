#include "scenes/scene_picturepuzzle/puzzleplan.h"

#include <algorithm>
#include <sstream>

#include "util/error/fatal.h"
#include "util/math/mathutil.h"

namespace {

const char* const SOURCE = "src\\scenes\\scene_picturepuzzle\\picturepuzzle";

// Move codes, also the side-step directions.
const int MOVE_NONE = -1;
const int MOVE_X_PLUS = 0;
const int MOVE_X_MINUS = 1;
const int MOVE_LAYER_UP = 2;
const int MOVE_LAYER_DOWN = 3;
const int MOVE_Z_PLUS = 4;
const int MOVE_Z_MINUS = 5;

int sign(int v) { return (v > 0) - (v < 0); }

// A whole cell in 0 .. n - 1 from a draw in [0, n]: the draw can reach n itself.
int draw_cell(int n)
{
    const int cell = static_cast<int>(rand_range(0.0f, static_cast<float>(n)));
    return std::min(cell, n - 1);
}

// Occupancy of the cells: 0 free, otherwise the index of the cube plus one.
class Grid {
public:
    explicit Grid(int n_) : n(n_), cells(static_cast<size_t>(n_) * static_cast<size_t>(n_) * PUZZLE_LAYERS, 0) {}

    bool inside(const IntVector3& c) const
    {
        return c.x >= 0 && c.x < n && c.z >= 0 && c.z < n && c.y >= 0 && c.y < PUZZLE_LAYERS;
    }
    bool free(const IntVector3& c) const { return cells[index(c)] == 0; }
    void occupy(const IntVector3& c, size_t cube) { cells[index(c)] = static_cast<int>(cube) + 1; }
    void clear() { std::fill(cells.begin(), cells.end(), 0); }

private:
    size_t index(const IntVector3& c) const
    {
        return (static_cast<size_t>(c.y) * static_cast<size_t>(n) + static_cast<size_t>(c.z)) * static_cast<size_t>(n) +
               static_cast<size_t>(c.x);
    }

    int n;
    std::vector<int> cells;
};

IntVector3 neighbour(const IntVector3& c, int direction)
{
    switch (direction) {
    case MOVE_X_PLUS: return c + IntVector3(1, 0, 0);
    case MOVE_X_MINUS: return c + IntVector3(-1, 0, 0);
    case MOVE_LAYER_UP: return c + IntVector3(0, 1, 0);
    case MOVE_LAYER_DOWN: return c + IntVector3(0, -1, 0);
    case MOVE_Z_PLUS: return c + IntVector3(0, 0, 1);
    case MOVE_Z_MINUS: return c + IntVector3(0, 0, -1);
    default: {
        std::ostringstream message;
        message << "Oi! newdir fell out of scope, value is " << direction;
        FATAL_ERROR(SOURCE, message.str());
    }
    }
}

// The blocked cube tries all six directions in a random order from where it stands, taking
// every step that leads to a free cell inside the grid; the code is that of the last try.
void side_step(IntVector3& cell, int& move_code, const Grid& written, const Grid& previous)
{
    bool tried[6] = {false, false, false, false, false, false};
    for (int attempt = 0; attempt < 6; ++attempt) {
        int direction;
        do {
            direction = static_cast<int>(rand_range(0.0f, 6.0f));
            if (direction == 6) direction = MOVE_LAYER_UP;
        } while (direction >= 0 && direction < 6 && tried[direction]);
        const IntVector3 next = neighbour(cell, direction);
        tried[direction] = true;
        if (written.inside(next) && written.free(next) && previous.free(next)) {
            cell = next;
            move_code = direction;
        } else {
            move_code = MOVE_NONE;
        }
    }
}

} // namespace

int puzzle_grid_size(int width, int height) { return 3 * std::max(width, height) / 2; }

PuzzleStep scatter_puzzle_cubes(size_t count, int n)
{
    Grid taken(n);
    PuzzleStep start;
    start.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        IntVector3 cell;
        do {
            cell.z = draw_cell(n);
            cell.x = draw_cell(n);
            cell.y = 0;
        } while (!taken.free(cell));
        taken.occupy(cell, i);
        start.push_back(cell);
    }
    return start;
}

std::vector<PuzzleStep> plan_puzzle_moves(const PuzzleStep& start,
                                          const std::vector<IntVector3>& targets, int n)
{
    const size_t count = targets.size();
    // Two grids take turns: the one being written holds this moving step's cells, the other
    // the previous moving step's (the start before the first).
    Grid grid_a(n);
    Grid grid_b(n);
    for (size_t i = 0; i < count; ++i)
        grid_b.occupy(start[i], i);

    std::vector<PuzzleStep> plan;
    plan.push_back(start);
    std::vector<int> move_codes(count, MOVE_NONE);
    bool all_arrived = false;
    for (int s = 1; s < PUZZLE_MAX_STEPS && !all_arrived; ++s) {
        const PuzzleStep previous_step = plan.back();
        if (s % 2 == 0) {
            plan.push_back(previous_step);
            continue;
        }
        Grid& written = (s & 2) == 0 ? grid_a : grid_b;
        const Grid& previous = (s & 2) == 0 ? grid_b : grid_a;
        written.clear();
        auto is_free = [&](const IntVector3& c) { return written.free(c) && previous.free(c); };

        PuzzleStep step;
        step.reserve(count);
        size_t arrived = 0;
        for (size_t i = 0; i < count; ++i) {
            IntVector3 p = previous_step[i];
            const IntVector3 d = targets[i] - p;
            int& code = move_codes[i];
            const IntVector3 along_x = p + IntVector3(sign(d.x), 0, 0);
            const IntVector3 along_z = p + IntVector3(0, 0, sign(d.z));
            IntVector3 along_layer = p + IntVector3(0, sign(d.y), 0);
            along_layer.y = std::min(along_layer.y, PUZZLE_LAYERS - 1);
            if (d == IntVector3()) {
                code = MOVE_NONE;
                ++arrived;
            } else if (d.x != 0 && is_free(along_x)) {
                p = along_x;
                code = d.x > 0 ? MOVE_X_PLUS : MOVE_X_MINUS;
            } else if (d.z != 0 && is_free(along_z)) {
                p = along_z;
                code = d.z > 0 ? MOVE_Z_PLUS : MOVE_Z_MINUS;
            } else if (d.y != 0 && code != MOVE_LAYER_UP && is_free(along_layer)) {
                p = along_layer;
                code = MOVE_LAYER_DOWN;
            } else {
                side_step(p, code, written, previous);
            }
            step.push_back(p);
            written.occupy(p, i);
        }
        plan.push_back(step);
        all_arrived = arrived == count;
    }
    return plan;
}

void puzzle_cell_at(const std::vector<PuzzleStep>& plan, size_t cube, float progress, float& x,
                    float& y, float& z)
{
    const float p = std::min(std::max(progress, 0.0f), 1.0f);
    const float f = p * static_cast<float>(plan.size());
    const size_t last = plan.size() - 1;
    const size_t i0 = std::min(static_cast<size_t>(f), last);
    const size_t i1 = std::min(i0 + 1, last);
    const float fraction = f - static_cast<float>(static_cast<size_t>(f));
    const IntVector3& a = plan[i0][cube];
    const IntVector3& b = plan[i1][cube];
    x = lerp(static_cast<float>(a.x), static_cast<float>(b.x), fraction);
    y = lerp(static_cast<float>(a.y), static_cast<float>(b.y), fraction);
    z = lerp(static_cast<float>(a.z), static_cast<float>(b.z), fraction);
}
