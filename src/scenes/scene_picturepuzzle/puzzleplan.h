// The picture puzzle's move plan: the cubes start scattered over the floor of an n x 5 x n
// grid (x, layer, z) and move one cell at a time, without ever sharing a cell, to their
// targets. Odd steps move, even steps repeat the step before (a pause), so a cube that glides
// between two steps rests on the next one. The plan depends only on the targets, the grid
// size and the state of the run-time random generator when it is made.
#pragma once

#include <cstddef>
#include <vector>

#include "util/math/intvector3.h"

// One cell per cube, in cube order.
typedef std::vector<IntVector3> PuzzleStep;

const int PUZZLE_LAYERS = 5;
const int PUZZLE_MAX_STEPS = 1024;

// The grid's side for a picture: (3 x max(width, height)) / 2 in integers.
int puzzle_grid_size(int width, int height);

// The scattered start: for each cube in turn a random floor cell (z drawn first, then x),
// drawn again while an earlier cube holds it. There must be fewer cubes than floor cells.
PuzzleStep scatter_puzzle_cubes(size_t count, int n);

// The plan from a start (step 0) to the targets, one cell per cube in each. It ends after
// the first moving step in which every cube was found at its target, or at PUZZLE_MAX_STEPS
// steps. Start and targets must lie inside the grid, each without two cubes in one cell.
std::vector<PuzzleStep> plan_puzzle_moves(const PuzzleStep& start,
                                          const std::vector<IntVector3>& targets, int n);

// Where cube `cube` stands at `progress` through the plan (0 the start, 1 the last step), as
// fractional cell coordinates: progress x steps splits into a step and the share of the way
// to the next one. Progress is clamped to [0, 1] first.
void puzzle_cell_at(const std::vector<PuzzleStep>& plan, size_t cube, float progress, float& x,
                    float& y, float& z);
