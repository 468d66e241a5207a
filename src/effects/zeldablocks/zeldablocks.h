// A field of falling billboard blocks. Each block moves along z in a saw-tooth of one fall
// length from the start height (the spawn box's minimum z); one that passes the box's maximum
// z is moved to a random spot of the box (or of a circle around its centre) and keeps the
// height its saw-tooth gives at that time. Blocks spin, which moves their texture
// coordinates; the billboards' corners are made in the program's vertex stage from the
// camera's right and up axes.
//
// The owner fills the members (blocks with their fall speed and spin, the array buffer, the
// program) and sets initialized.
#pragma once

#include <GL/glew.h>
#include <string>
#include <vector>

#include "effects/effect/effect.h"
#include "util/math/vector3.h"

class ShaderProgram;

namespace Effects {

struct ZeldaBlock {
    Vector3 position;
    float angle = 0.0f;
    float fall_speed = 0.0f;
    float spin = 0.0f;
    float phase = 0.0f;
};

class ZeldaBlocks : public Effect {
public:
    // Fatal without initialized, or with a block count beyond the blocks.
    void render(float t) override;
    // The block's height and angle at time t.
    void set_block(int index, float t);
    // A new random spot at the start height and a new phase.
    void randomize_block(int index);

    // The GLSL texts of the billboard program (uniforms "right", "up" and "size").
    static std::string vertex_source();
    static std::string fragment_source();

    std::vector<ZeldaBlock> blocks;
    bool initialized = false;
    int block_count = 0;
    float size = 1.0f;
    Vector3 box_min;
    Vector3 box_max;
    float fall_length = 1.0f;
    bool circle_mode = false;
    float radius = 0.0f;
    // Four copies of every block's position, then four texture coordinates per block; sized
    // by render.
    std::vector<float> vertex_data;
    int positions_size = 0;      // bytes
    int tex_coords_size = 0;     // bytes
    GLuint buffer = 0;
    ShaderProgram* program = nullptr;
};

} // namespace Effects
