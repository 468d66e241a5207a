// The picture puzzle's move plan, its cubes from a picture and its glow, without GL.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/runtime/crt_random.h"
#include "scenes/scene_picturepuzzle/puzzleglow.h"
#include "scenes/scene_picturepuzzle/puzzleplan.h"
#include "scenes/scene_picturepuzzle/puzzlepicture.h"
#include "util/texture/texture.h"

void PrintTo(const IntVector3& v, std::ostream* out) { *out << "(" << v.x << ", " << v.y << ", " << v.z << ")"; }

namespace {

// Targets filling a w x h block of the floor, row by row, as a fully opaque picture gives.
std::vector<IntVector3> block(int w, int h)
{
    std::vector<IntVector3> targets;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) targets.push_back(IntVector3(x, 0, y));
    return targets;
}

// Every rule a plan keeps, whatever the random generator did.
void expect_sound_plan(const std::vector<PuzzleStep>& plan, const std::vector<IntVector3>& targets,
                       int n, const std::string& label)
{
    ASSERT_GE(plan.size(), 1u) << label;
    ASSERT_LE(plan.size(), static_cast<size_t>(PUZZLE_MAX_STEPS)) << label;
    for (const IntVector3& c : plan[0]) ASSERT_EQ(c.y, 0) << label << ": the start lies on the floor";
    for (size_t s = 0; s < plan.size(); ++s) {
        const PuzzleStep& step = plan[s];
        ASSERT_EQ(step.size(), targets.size()) << label << " step " << s;
        std::set<std::tuple<int, int, int>> cells;
        for (const IntVector3& c : step) {
            ASSERT_TRUE(c.x >= 0 && c.x < n && c.z >= 0 && c.z < n && c.y >= 0 && c.y < PUZZLE_LAYERS)
                << label << " step " << s << " leaves the grid";
            ASSERT_TRUE(cells.insert(std::make_tuple(c.x, c.y, c.z)).second)
                << label << ": two cubes share a cell in step " << s;
        }
        if (s > 0 && s % 2 == 0) {
            ASSERT_EQ(step, plan[s - 1]) << label << ": step " << s << " is a pause";
        }
    }
}

// The seed after which the generator's first draw is its largest value, 32767.
unsigned int seed_for_top_draw()
{
    const uint32_t multiplier = 214013u;
    uint32_t inverse = multiplier; // Newton's iteration for the inverse modulo 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - multiplier * inverse;
    const uint32_t state = 0x7FFF0000u;
    return (state - 2531011u) * inverse;
}

} // namespace

TEST(PuzzlePlan, GridSizeIsHalfAgainTheLongerSide)
{
    const int cases[][3] = {{24, 32, 48}, {32, 24, 48}, {1, 1, 1}, {3, 2, 4}, {5, 5, 7}};
    for (const auto& c : cases) EXPECT_EQ(puzzle_grid_size(c[0], c[1]), c[2]) << c[0] << "x" << c[1];
}

TEST(PuzzlePlan, KeepsItsRulesAndAssemblesThePicture)
{
    struct Case {
        const char* name;
        std::vector<IntVector3> targets;
        int n;
    };
    const Case cases[] = {
        {"no cubes", {}, 3},
        {"one cube", {IntVector3(0, 0, 0)}, 1},
        {"a row", block(10, 1), 15},
        {"a dense block", block(3, 3), 4},
        {"a square", block(6, 6), 9},
        {"scattered pixels", {IntVector3(0, 0, 0), IntVector3(7, 0, 2), IntVector3(3, 0, 7), IntVector3(4, 0, 4)}, 12},
    };
    for (const Case& c : cases) {
        for (unsigned int seed = 1; seed <= 12; ++seed) {
            const std::string label = std::string(c.name) + ", seed " + std::to_string(seed);
            crt_srand(seed);
            const PuzzleStep start = scatter_puzzle_cubes(c.targets.size(), c.n);
            const std::vector<PuzzleStep> plan = plan_puzzle_moves(start, c.targets, c.n);
            ASSERT_EQ(plan[0], start) << label;
            expect_sound_plan(plan, c.targets, c.n, label);
            EXPECT_EQ(plan.back(), c.targets) << label << ": the picture is not assembled";
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

TEST(PuzzlePlan, TwoRunsFromOneGeneratorStateAreIdentical)
{
    const std::vector<IntVector3> targets = block(5, 4);
    crt_srand(77);
    const std::vector<PuzzleStep> first = plan_puzzle_moves(scatter_puzzle_cubes(targets.size(), 7), targets, 7);
    crt_srand(77);
    const std::vector<PuzzleStep> second = plan_puzzle_moves(scatter_puzzle_cubes(targets.size(), 7), targets, 7);
    EXPECT_EQ(first, second);
    crt_srand(78);
    EXPECT_NE(scatter_puzzle_cubes(targets.size(), 7), first[0]);
}

TEST(PuzzlePlan, OneCubeDrawsItsRowThenItsColumnAndEndsAfterItWasFoundHome)
{
    // Draws 41 and 18467 of the generator's start state: z = 0, x = trunc(1.69) = 1.
    crt_srand(1);
    const PuzzleStep start = scatter_puzzle_cubes(1, 3);
    ASSERT_EQ(start, PuzzleStep({IntVector3(1, 0, 0)}));
    const std::vector<PuzzleStep> plan = plan_puzzle_moves(start, {IntVector3(0, 0, 0)}, 3);
    const std::vector<PuzzleStep> expected = {
        {IntVector3(1, 0, 0)}, {IntVector3(0, 0, 0)}, {IntVector3(0, 0, 0)}, {IntVector3(0, 0, 0)}};
    EXPECT_EQ(plan, expected);
}

TEST(PuzzlePlan, ADrawOfTheRangesTopEndStaysInsideTheGrid)
{
    crt_srand(seed_for_top_draw());
    const PuzzleStep start = scatter_puzzle_cubes(1, 5);
    EXPECT_EQ(start[0].z, 4);
    EXPECT_GE(start[0].x, 0);
    EXPECT_LT(start[0].x, 5);
}

TEST(PuzzlePlan, ScatterFillsEveryFloorCellOnceWhenThereAreAsManyCubes)
{
    crt_srand(5);
    const PuzzleStep start = scatter_puzzle_cubes(9, 3);
    std::set<std::pair<int, int>> cells;
    for (const IntVector3& c : start) {
        EXPECT_EQ(c.y, 0);
        cells.insert(std::make_pair(c.x, c.z));
    }
    EXPECT_EQ(cells.size(), 9u);
}

TEST(PuzzlePlan, FirstMoveFollowsTheOrderOfTheRules)
{
    struct Case {
        const char* name;
        PuzzleStep start;
        std::vector<IntVector3> targets;
        PuzzleStep first_move;
    };
    const Case cases[] = {
        {"x before z", {IntVector3(0, 0, 0)}, {IntVector3(2, 0, 2)}, {IntVector3(1, 0, 0)}},
        {"backwards along x", {IntVector3(3, 0, 1)}, {IntVector3(0, 0, 1)}, {IntVector3(2, 0, 1)}},
        {"z when x is done", {IntVector3(2, 0, 3)}, {IntVector3(2, 0, 0)}, {IntVector3(2, 0, 2)}},
        {"down a layer", {IntVector3(1, 2, 1)}, {IntVector3(1, 0, 1)}, {IntVector3(1, 1, 1)}},
        {"z when a resting cube blocks x",
         {IntVector3(0, 0, 0), IntVector3(1, 0, 0)},
         {IntVector3(2, 0, 1), IntVector3(1, 0, 0)},
         {IntVector3(0, 0, 1), IntVector3(1, 0, 0)}},
        {"a cube leaving a cell does not free it in the same step",
         {IntVector3(1, 0, 0), IntVector3(0, 0, 0)},
         {IntVector3(2, 0, 0), IntVector3(1, 0, 1)},
         {IntVector3(2, 0, 0), IntVector3(0, 0, 1)}},
    };
    for (const Case& c : cases) {
        crt_srand(1);
        const std::vector<PuzzleStep> plan = plan_puzzle_moves(c.start, c.targets, 4);
        ASSERT_GE(plan.size(), 2u) << c.name;
        EXPECT_EQ(plan[1], c.first_move) << c.name;
    }
}

TEST(PuzzlePlan, TheFirstCubeHoldsTheCellItMovedInto)
{
    // Cube 0 steps into (1, 0, 0); cube 1 wants that cell along z and has to step aside.
    for (unsigned int seed = 1; seed <= 20; ++seed) {
        crt_srand(seed);
        const std::vector<PuzzleStep> plan = plan_puzzle_moves(
            {IntVector3(0, 0, 0), IntVector3(1, 0, 1)}, {IntVector3(2, 0, 0), IntVector3(1, 0, 0)}, 3);
        ASSERT_GE(plan.size(), 2u);
        EXPECT_EQ(plan[1][0], IntVector3(1, 0, 0)) << "seed " << seed;
        EXPECT_NE(plan[1][1], IntVector3(1, 0, 0)) << "seed " << seed;
    }
}

TEST(PuzzlePlan, ProgressScrubsThroughTheSteps)
{
    // Five steps: the cube goes from x 0 to x 2 and rests on the even steps.
    const std::vector<PuzzleStep> plan = {{IntVector3(0, 0, 0)}, {IntVector3(1, 0, 0)}, {IntVector3(1, 0, 0)},
                                          {IntVector3(2, 1, 3)}, {IntVector3(2, 1, 3)}};
    struct Case {
        float progress, x, y, z;
    };
    const Case cases[] = {
        {-0.5f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, {0.1f, 0.5f, 0.0f, 0.0f},
        {0.3f, 1.0f, 0.0f, 0.0f},  {0.4f, 1.0f, 0.0f, 0.0f}, {0.5f, 1.5f, 0.5f, 1.5f},
        {0.7f, 2.0f, 1.0f, 3.0f},
        {1.0f, 2.0f, 1.0f, 3.0f},  {7.0f, 2.0f, 1.0f, 3.0f}, {3.0e9f, 2.0f, 1.0f, 3.0f},
    };
    for (const Case& c : cases) {
        float x, y, z;
        puzzle_cell_at(plan, 0, c.progress, x, y, z);
        EXPECT_NEAR(x, c.x, 1e-5f) << c.progress;
        EXPECT_NEAR(y, c.y, 1e-5f) << c.progress;
        EXPECT_NEAR(z, c.z, 1e-5f) << c.progress;
    }
}

TEST(PuzzlePicture, OpaqueEnoughPixelsBecomeCubesRowByRow)
{
    // 3 x 2 RGBA, bottom row first; alpha 25 is just below a tenth of 256, 26 just above.
    const unsigned char rgba[] = {
        10, 20, 30, 255, 0, 0, 0, 25, 128, 64, 0, 26, //
        0, 0, 0, 0, 255, 255, 255, 200, 1, 2, 3, 24,  //
    };
    const std::vector<PuzzleCube> cubes = find_puzzle_cubes(rgba, 3, 2);
    ASSERT_EQ(cubes.size(), 3u);
    EXPECT_EQ(cubes[0].target, IntVector3(0, 0, 0));
    EXPECT_EQ(cubes[1].target, IntVector3(2, 0, 0));
    EXPECT_EQ(cubes[2].target, IntVector3(1, 0, 1));
    EXPECT_FLOAT_EQ(cubes[0].r, 10 / 256.0f);
    EXPECT_FLOAT_EQ(cubes[0].g, 20 / 256.0f);
    EXPECT_FLOAT_EQ(cubes[0].b, 30 / 256.0f);
    EXPECT_FLOAT_EQ(cubes[1].r, 0.5f);
    EXPECT_FLOAT_EQ(cubes[2].r, 255 / 256.0f);

    const unsigned char faint[] = {255, 255, 255, 25, 255, 255, 255, 0};
    EXPECT_TRUE(find_puzzle_cubes(faint, 2, 1).empty());
}

TEST(PuzzlePicture, TheShowsPictureAssemblesWithinThePlan)
{
    Texture::TextureInfo info{};
    const std::string path = std::string(PELLORVANE_BINARY_DIR) + "/data/picturepuzzle/giraff.png";
    ASSERT_TRUE(Texture::load_png(&info, path.c_str()));
    ASSERT_EQ(info.bpp, 32u);
    const int w = static_cast<int>(info.width), h = static_cast<int>(info.height);
    std::vector<IntVector3> targets;
    for (const PuzzleCube& cube : find_puzzle_cubes(info.imageData, w, h)) targets.push_back(cube.target);
    std::free(info.imageData);
    ASSERT_GT(targets.size(), 100u);
    const int n = puzzle_grid_size(w, h);
    // The show seeds the generator from the clock, so any state must do.
    for (unsigned int seed : {1u, 2u, 1000u, 123456u, 0xDEADBEEFu}) {
        crt_srand(seed);
        const std::vector<PuzzleStep> plan = plan_puzzle_moves(scatter_puzzle_cubes(targets.size(), n), targets, n);
        EXPECT_EQ(plan.back(), targets) << "seed " << seed;
        EXPECT_LT(plan.size(), static_cast<size_t>(PUZZLE_MAX_STEPS)) << "seed " << seed;
    }
}

TEST(PuzzleGlow, TheSoundingNotePicksThreeCubesAndFades)
{
    // Notes 0.5..0.75, 1..2, 3..3 (no length), and 1.5..4 overlapping the second.
    const std::vector<float> notes = {0.5f, -0.75f, 1.0f, -2.0f, 1.5f, -4.0f, 3.0f, -3.0f};
    struct Case {
        float beat;
        size_t count;
        std::vector<size_t> cubes;
        float intensity;
    };
    const Case cases[] = {
        {0.25f, 100, {}, 0.0f},
        {0.5f, 100, {0, 0, 0}, 1.0f},
        {1.5f, 100, {314 % 100, 128 % 100, 8314 % 100}, 0.5f},  // the first sounding note wins
        {2.0f, 7, {314 % 7, 128 % 7, 8314 % 7}, 0.0f},
        {2.5f, 100, {628 % 100, 256 % 100, 16628 % 100}, 0.6f},
        {3.0f, 100, {628 % 100, 256 % 100, 16628 % 100}, 0.4f},
        {5.0f, 100, {}, 0.0f},
        {1.5f, 0, {}, 0.0f},  // no cubes: nothing to pick
    };
    for (const Case& c : cases) {
        const PuzzleGlow glow = select_puzzle_glow(notes, c.beat, c.count);
        EXPECT_EQ(glow.cubes, c.cubes) << c.beat << " with " << c.count << " cubes";
        EXPECT_NEAR(glow.intensity, c.intensity, 1e-6f) << c.beat;
    }
    const PuzzleGlow instant = select_puzzle_glow({3.0f, -3.0f}, 3.0f, 10);
    EXPECT_EQ(instant.intensity, 1.0f);
    EXPECT_EQ(instant.cubes.size(), 3u);
    EXPECT_TRUE(select_puzzle_glow({}, 1.0f, 10).cubes.empty());
}

TEST(PuzzleGlow, TheBlurredGlowReachesTheCubesAndTheBlursWidthAroundThem)
{
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // A cube of half edge 0.25 at x = 0.5, seen straight on: x from 0.25 to 0.75, y +-0.25.
    const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.5f, 0, 0, 1};
    GlowBounds bounds;
    extend_glow_bounds(bounds, identity, identity, moved, 0.25f);
    EXPECT_FALSE(bounds.whole);
    EXPECT_FLOAT_EQ(bounds.min_x, 0.25f);
    EXPECT_FLOAT_EQ(bounds.max_x, 0.75f);
    EXPECT_FLOAT_EQ(bounds.min_y, -0.25f);
    EXPECT_FLOAT_EQ(bounds.max_y, 0.25f);
    // A perspective with w = -z: a cube around the eye has corners behind it.
    const float perspective[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -1, 0, 0, 0, 0};
    GlowBounds around_eye;
    extend_glow_bounds(around_eye, perspective, identity, identity, 0.25f);
    EXPECT_TRUE(around_eye.whole);

    struct Case {
        const char* what;
        GlowBounds bounds;
        int glow_viewport[4];
        int texture_width, texture_height;
        int target_viewport[4];
        GlowBox expected;
    };
    GlowBounds whole;
    whole.whole = true;
    GlowBounds edge = bounds;
    edge.max_x = 1.0f;
    const Case cases[] = {
        // Texels 125..175 x 37.5..62.5 widened by 4 + 4 + 2, rounded out and a pixel more.
        {"one to one", bounds, {0, 0, 200, 100}, 200, 100, {0, 0, 200, 100}, {114, 26, 72, 48}},
        // The same texels on a target twice the size, offset by (10, 20).
        {"magnified", bounds, {0, 0, 200, 100}, 200, 100, {10, 20, 400, 200}, {239, 74, 142, 92}},
        // A texture twice the target's size: coarser levels, texels 250..350 x 75..125 widened
        // by 4 + 8 + 2, then halved.
        {"minified", bounds, {0, 0, 400, 200}, 400, 200, {0, 0, 200, 100}, {117, 29, 66, 42}},
        // Cubes drawn in a letterboxed viewport of the glow picture.
        {"letterboxed", bounds, {0, 10, 200, 80}, 200, 100, {0, 0, 200, 100}, {114, 29, 72, 42}},
        {"clamped at the edge", edge, {0, 0, 200, 100}, 200, 100, {0, 0, 200, 100}, {114, 26, 86, 48}},
        {"behind the eye", whole, {0, 0, 200, 100}, 200, 100, {5, 6, 70, 80}, {5, 6, 70, 80}},
        {"nothing glows", GlowBounds(), {0, 0, 200, 100}, 200, 100, {0, 0, 200, 100}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const GlowBox box = glow_reach(c.bounds, c.glow_viewport, c.texture_width, c.texture_height, c.target_viewport);
        if (c.expected.width == 0) {
            EXPECT_EQ(box.width * box.height, 0) << c.what;
            continue;
        }
        // Rounding of the texel positions may widen the box by a pixel, never narrow it.
        EXPECT_TRUE(box.x <= c.expected.x && box.x >= c.expected.x - 1) << c.what << " x " << box.x;
        EXPECT_TRUE(box.y <= c.expected.y && box.y >= c.expected.y - 1) << c.what << " y " << box.y;
        const int right = box.x + box.width, expected_right = c.expected.x + c.expected.width;
        const int top = box.y + box.height, expected_top = c.expected.y + c.expected.height;
        EXPECT_TRUE(right >= expected_right && right <= expected_right + 1) << c.what << " right " << right;
        EXPECT_TRUE(top >= expected_top && top <= expected_top + 1) << c.what << " top " << top;
    }
}
