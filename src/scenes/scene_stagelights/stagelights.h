// A stage picture with drifting smoke and fans of coloured light beams, composed through one
// fragment program. Each sounding note track of "Rave beeper", "Sub" and "Sirene" lights one
// thin triangle fanning from its group's origin to its own place on a horizontal line around
// the group's moving target.
#pragma once

#include <vector>

#include "scenes/scene/scene.h"
#include "util/camera/camera.h"
#include "util/math/vector3.h"

class FBO;
class ShaderProgram;
class Texture;

namespace Effects {
class Fire;
}

class StageLights : public Scene {
public:
    static constexpr int BUFFER_SIZE = 512;
    static constexpr int GROUP_COUNT = 3;

    StageLights();
    ~StageLights() override;

    StageLights(const StageLights&) = delete;
    StageLights& operator=(const StageLights&) = delete;

    void init() override;
    void render() override;
    void reshape(int w, int h) override;

    // Draws the three beam groups at the music's beat with the current notes.
    void draw_lights();
    // One fan: a triangle for every true flag, from the origin to a place on the line through
    // the target, alpha 0 at the origin and 1 at the far end.
    static void draw_beam(const Vector3& origin, const Vector3& target, float spread, float width,
                          const Vector3& colour, float alpha, const std::vector<bool>& flags);

    // Where group 0..2 aims at beat t.
    static Vector3 beam_target(int group, float t);
    // The x of each of n beams: from target_x - spread in n equal steps over 2 x spread.
    static std::vector<float> beam_positions(float target_x, float spread, int n);

    FBO* get_lights_buffer() const { return lights_buffer; }
    Effects::Fire* get_smoke() const { return smoke; }

    // Whether a scene of that size draws the smoke smaller than its buffers in either direction,
    // so that the buffers' lower mipmap levels are read.
    static bool smoke_is_shrunk(int w, int h);

private:
    Effects::Fire* smoke = nullptr;
    Camera camera;
    FBO* lights_buffer = nullptr;
    Texture* stage = nullptr;
    ShaderProgram* program = nullptr;
    // Instrument-track indices of the three groups, looked up at the first frame.
    int track_indices[GROUP_COUNT] = {-1, -1, -1};
    // Whether the smoke buffers are filtered with their mipmaps, for a scene that shrinks them.
    bool smoke_shrunk = true;

    // Filters the smoke buffers for a scene of that size: with their mipmaps where it shrinks
    // them, else with the full level alone.
    void choose_smoke_filter(int w, int h);
};
