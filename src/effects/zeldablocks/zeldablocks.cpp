#include "effects/zeldablocks/zeldablocks.h"

#include <cmath>

#include "util/error/fatal.h"
#include "util/math/mathutil.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

namespace {
const char* const SOURCE = "src\\effects\\zeldablocks\\zeldablocks";
const float TWO_PI = 6.2831853f;
} // namespace

void ZeldaBlocks::set_block(int index, float t)
{
    if (index < 0 || index >= static_cast<int>(blocks.size())) return;
    ZeldaBlock& block = blocks[static_cast<size_t>(index)];
    const float travelled = t * block.fall_speed;
    block.position.z = box_min.z + (travelled - std::trunc(travelled)) * fall_length;
    const float g = t * block.spin;
    // sin(g) / g tends to 1 as g goes to 0.
    block.angle = g == 0.0f ? 1.0f : g + std::sin(g) / g;
}

void ZeldaBlocks::randomize_block(int index)
{
    if (index < 0 || index >= static_cast<int>(blocks.size())) return;
    ZeldaBlock& block = blocks[static_cast<size_t>(index)];
    if (!circle_mode) {
        block.position.x = rand_range(box_min.x, box_max.x);
        block.position.y = rand_range(box_min.y, box_max.y);
    } else {
        const float cx = (box_min.x + box_max.x) / 2.0f;
        const float cy = (box_min.y + box_max.y) / 2.0f;
        // A circle with no inside (a radius that is not positive or not finite) has only its
        // centre; a circle so small or far out that float steps never land inside it ends on
        // the centre too, after a bounded number of draws.
        block.position.x = cx;
        block.position.y = cy;
        if (radius > 0.0f && std::isfinite(radius)) {
            for (int attempt = 0; attempt < 10000; ++attempt) {
                const float x = rand_range(cx - radius, cx + radius);
                const float y = rand_range(cy - radius, cy + radius);
                const double dx = static_cast<double>(x) - cx;
                const double dy = static_cast<double>(y) - cy;
                if (std::sqrt(dx * dx + dy * dy) < radius) {
                    block.position.x = x;
                    block.position.y = y;
                    break;
                }
            }
        }
    }
    block.position.z = box_min.z;
    block.phase = rand_range(0.0f, TWO_PI);
}

void ZeldaBlocks::render(float t)
{
    if (!initialized) fatal_error(SOURCE, 29, "ZeldaBlocks::render() called without initializing effect!");
    if (block_count < 0 || block_count > static_cast<int>(blocks.size()))
        FATAL_ERROR(SOURCE, "ZeldaBlocks block count is beyond its blocks");
    if (program == nullptr) FATAL_ERROR(SOURCE, null_text("program"));

    const size_t count = static_cast<size_t>(block_count);
    vertex_data.resize(20 * count);
    positions_size = static_cast<int>(12 * count * sizeof(float));
    tex_coords_size = static_cast<int>(8 * count * sizeof(float));

    for (size_t i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        set_block(index, t);
        if (blocks[i].position.z > box_max.z) {
            // A new spot and phase; the height and angle follow t again.
            randomize_block(index);
            set_block(index, t);
        }
        const ZeldaBlock& block = blocks[i];
        float* position = &vertex_data[12 * i];
        for (int corner = 0; corner < 4; ++corner) {
            position[3 * corner] = block.position.x;
            position[3 * corner + 1] = block.position.y;
            position[3 * corner + 2] = block.position.z;
        }
        const float s = 0.5f + 0.5f * std::sin(block.angle);
        const float c = 0.5f + 0.5f * std::cos(block.angle);
        float* tex = &vertex_data[12 * count + 8 * i];
        const float coords[8] = {s, 0.0f, c, 0.0f, c, 1.0f, s, 1.0f};
        for (int k = 0; k < 8; ++k) tex[k] = coords[k];
    }

    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    ShaderProgram::unbind();
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_Q);
    glDisable(GL_CULL_FACE);

    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    program->bind();
    program->set_uniform_vec3("right", Vector3(m[0], m[4], m[8]), 1);
    program->set_uniform_vec3("up", Vector3(m[1], m[5], m[9]), 1);
    program->set_uniform_1f("size", size);

    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, positions_size + tex_coords_size, vertex_data.data(), GL_DYNAMIC_DRAW);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glTexCoordPointer(2, GL_FLOAT, 0, reinterpret_cast<const void*>(static_cast<size_t>(positions_size)));
    glDrawArrays(GL_QUADS, 0, 4 * block_count);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

std::string ZeldaBlocks::vertex_source()
{
    return "#version 130\n"
           "uniform vec3 right;\n"
           "uniform vec3 up;\n"
           "uniform float size;\n"
           "void main()\n"
           "{\n"
           "    // The four equal positions of a block become its corners in drawing order.\n"
           "    int corner = gl_VertexID - 4 * (gl_VertexID / 4);\n"
           "    float across = (corner == 1 || corner == 2) ? 1.0 : -1.0;\n"
           "    float along = corner >= 2 ? 1.0 : -1.0;\n"
           "    vec3 p = gl_Vertex.xyz + (right * across + up * along) * size;\n"
           "    gl_Position = gl_ModelViewProjectionMatrix * vec4(p, 1.0);\n"
           "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
           "}\n";
}

std::string ZeldaBlocks::fragment_source()
{
    return "#version 130\n"
           "void main()\n"
           "{\n"
           "    // A bevelled block face, lit across by its spin.\n"
           "    vec2 st = gl_TexCoord[0].st;\n"
           "    float edge = min(min(st.t, 1.0 - st.t), 0.5) * 2.0;\n"
           "    float shade = 0.35 + 0.65 * st.s;\n"
           "    gl_FragColor = vec4(vec3(shade) * (0.6 + 0.4 * edge), 1.0);\n"
           "}\n";
}

} // namespace Effects
