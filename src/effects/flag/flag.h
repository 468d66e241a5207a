// A textured rectangle that waves like a flag in the wind: a flat 15 x 15 grid compiled once
// into a display list and displaced in the vertex shader by two sine waves that move with
// time. The picture is tinted by the current colour, so the caller fades it with glColor. The
// effect sets up its own projection (fixed at 4:3) and view, so it draws over any 2-D picture.
#pragma once

#include <string>
#include <vector>

#include "effects/effect/effect.h"

class Texture;
class ShaderProgram;

namespace Effects {

class Flag : public Effect {
public:
    static constexpr int GRID = 15;
    static constexpr int VERTEX_COUNT = GRID * GRID * 6;
    static constexpr int FLOATS_PER_VERTEX = 8; // s, t, normal x, y, z, position x, y, z

    // The texture is the caller's and must outlive the effect. Needs the GL context.
    explicit Flag(Texture* texture);
    ~Flag() override;

    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

    // Compiles the grid into the display list; the client arrays are left as they were.
    void build_mesh();
    void render(float time) override;
    // Draws the flag at a time in beats; leaves the wave program bound.
    void draw(float time);

    // The waves' phase for a time in beats: twice the time, brought into [0, 360] by whole
    // turns (360 itself stays); 0 for a time that is not a finite number.
    static float phase_angle(float time);

    // The generated wave program's two texts.
    static std::string wave_vertex_source();
    static std::string wave_fragment_source();

    // The grid's vertices in the GL_T2F_N3F_V3F layout: 6 per cell, cells row by row.
    static std::vector<float> mesh_vertices();

    int get_display_list() const { return display_list; }
    const ShaderProgram* get_wave_program() const { return wave_program; }

private:
    Texture* texture;
    ShaderProgram* wave_program;
    int display_list;
};

} // namespace Effects
