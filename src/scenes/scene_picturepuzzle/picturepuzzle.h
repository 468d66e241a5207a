// Scene 3: a small picture breaks into lit cubes, one per opaque pixel, that lie scattered
// over a grid and travel back into the picture one cell at a time on a precomputed plan. The
// sync track "puProgress" scrubs through the plan (0 scattered, 1 assembled); while a note of
// the "Rave beeper" sounds, three cubes glow and fade with it. The camera and the light
// circle the picture at their own speeds, over a chalk board.
#pragma once

#include <vector>

#include "scenes/scene/scene.h"
#include "scenes/scene_picturepuzzle/puzzleglow.h"
#include "scenes/scene_picturepuzzle/puzzleplan.h"
#include "util/objects3d/objects3d.h"
#include "util/texture/texture.h"

class Camera;
class Light;
struct Material;
struct Mesh;
class Node3D;

class PicturePuzzle : public Scene {
public:
    PicturePuzzle();
    ~PicturePuzzle() override;

    PicturePuzzle(const PicturePuzzle&) = delete;
    PicturePuzzle& operator=(const PicturePuzzle&) = delete;

    void init() override;
    void render() override;
    void release() override;
    void reshape(int w, int h) override;

    // Edge of a cube; the cubes stand 1.2 edges apart.
    static constexpr float CUBE_SIZE = 0.2f;

    // Read by tests: the cubes' nodes in creation order (row by row from the picture's
    // bottom row), the plan and the grid's side.
    const std::vector<Node3D*>& get_cube_nodes() const { return cube_nodes; }
    const std::vector<PuzzleStep>& get_plan() const { return plan; }
    int get_grid_size() const { return grid_size; }
    // The pixels the last frame's blurred glow was drawn over; empty where nothing glowed.
    GlowBox get_glow_box() const { return glow_box; }

private:
    Objects3D scene;
    Texture picture;
    unsigned char* pixels = nullptr; // RGBA copy of the picture, row 0 at the bottom
    int picture_width = 0;
    int picture_height = 0;
    int grid_size = 0;

    Camera* camera = nullptr;
    Light* light = nullptr;
    Mesh* cube_mesh = nullptr;
    Mesh* board_mesh = nullptr;
    Texture* board_texture = nullptr;
    std::vector<Material*> materials; // one per cube, then the board's

    std::vector<Node3D*> cube_nodes;
    std::vector<IntVector3> targets;
    std::vector<PuzzleStep> plan;
    std::vector<float> beeps; // note starts and negated ends of the beeper, pair after pair
    GlowBox glow_box;

    void place_cubes(float progress);
    void draw_glow(float beat);
    // The blur of the glow added over the glow box, inside any scissor box already set.
    void draw_blurred_glow();
};
