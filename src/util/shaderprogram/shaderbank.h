// The fixed table of shared GLSL programs, built once at start-up and handed to every scene.
// SHADER_SLOT_EMPTY holds no program; SHADER_SLOT_FIXED_FUNCTION is the empty program that
// selects the fixed-function pipeline.
#pragma once

#include "util/shaderprogram/shaderprogram.h"

// The slots of the bank, named after what their programs draw. "Multi" programs light by the
// first num_lights GL lights, "single" ones by light 0 alone.
enum ShaderSlot {
    SHADER_SLOT_BILLBOARD = 0,                      // texture times colour, clear texels dropped
    SHADER_SLOT_BLACK = 1,                          // opaque black
    SHADER_SLOT_PIXELATE = 2,                       // the texture in blocks (uniform "blocks")
    SHADER_SLOT_BLUR = 3,                           // 5 x 5 blur of the texture times colour
    SHADER_SLOT_DEFERRED_FIRST_PASS = 4,            // colour, normal and position pictures
    SHADER_SLOT_DEFERRED_SECOND_PASS = 5,           // lights those three pictures
    SHADER_SLOT_DEPTH_OF_FIELD = 6,                 // disc blur by distance from the focus
    SHADER_SLOT_DEPTH_OF_FIELD_MIPMAP = 7,          // coarser mipmap level by distance from the focus
    SHADER_SLOT_EMPTY = 8,                          // no program
    SHADER_SLOT_GLITCH = 9,                         // rows shifted sideways, colours split
    SHADER_SLOT_RADIAL_BLUR = 10,                   // samples towards an origin
    SHADER_SLOT_MULTI_DIFFUSE = 11,
    SHADER_SLOT_MULTI_DIFFUSE_TWO_SIDED = 12,
    SHADER_SLOT_MULTI_DIFFUSE_BUMP = 13,
    SHADER_SLOT_MULTI_DIFFUSE_BUMP_TWO_SIDED = 14,
    SHADER_SLOT_MULTI_MATERIAL = 15,                // per-pixel lighting of the front material
    SHADER_SLOT_MULTI_MATERIAL_TEXTURED = 16,
    SHADER_SLOT_MULTI_SPECULAR_BUMP = 17,
    SHADER_SLOT_MULTI_SPECULAR_BUMP_SPECULAR_MAP = 18,
    SHADER_SLOT_CUBE_MAP = 19,                      // the cube map times colour, unlit
    SHADER_SLOT_PLAIN_TEXTURE = 20,                 // the texture times colour, unlit
    SHADER_SLOT_SHADOW_DEPTH_WRITE = 21,            // depth into a face of a shadow cube
    SHADER_SLOT_SHADOW_AMBIENT = 22,                // ambient pre-pass of the shadowed render
    SHADER_SLOT_SHADOW_AMBIENT_TEXTURED = 23,
    SHADER_SLOT_SHADOW_CUBE_LIGHTING = 24,          // light 0 where its shadow cube does not hide
    SHADER_SLOT_SHADOW_CUBE_LIGHTING_TEXTURED = 25,
    SHADER_SLOT_SHADOW_MAP_LIGHTING = 26,           // light 0 shadowed by a depth map
    SHADER_SLOT_SINGLE_DIFFUSE = 27,
    SHADER_SLOT_SINGLE_DIFFUSE_BUMP = 28,
    SHADER_SLOT_SINGLE_DIFFUSE_VERTEX_COLOUR = 29,  // the vertex colour lit by light 0
    SHADER_SLOT_SINGLE_MATERIAL = 30,
    SHADER_SLOT_SINGLE_MATERIAL_TEXTURED = 31,
    SHADER_SLOT_SINGLE_SPECULAR_BUMP = 32,
    SHADER_SLOT_UNLIT_MATERIAL = 33,                // the material's own colour (the glow pass)
    SHADER_SLOT_UNLIT_MATERIAL_TEXTURED = 34,
    SHADER_SLOT_TWISTER = 35,                       // bump-mapped specular, twisted about y
    SHADER_SLOT_FIXED_FUNCTION = 36,                // no GL program: the fixed-function pipeline
};

class ShaderBank {
public:
    static constexpr int SLOT_COUNT = SHADER_SLOT_FIXED_FUNCTION + 1;

    // Builds the programs in ascending slot order, so a broken pair is the first one named.
    ShaderBank();
    ~ShaderBank();

    ShaderBank(const ShaderBank&) = delete;
    ShaderBank& operator=(const ShaderBank&) = delete;

    // The program of a slot (NULL for the empty slot); a slot outside 0..36 is fatal.
    ShaderProgram* get_shader(int slot) const;
    // Binds the program of a slot; the empty slot and slots outside 0..36 are fatal.
    void bind(int slot) const;

    // The vertex and fragment file names of a slot (empty for the empty and the
    // fixed-function slots).
    static const char* vertex_file(int slot);
    static const char* fragment_file(int slot);

private:
    ShaderProgram* slots[SLOT_COUNT] = {};
};
