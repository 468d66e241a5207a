// The fixed table of shared GLSL programs, built once at start-up and handed to every scene.
// Slot 8 holds no program; slot 36 is the empty program that selects the fixed-function
// pipeline.
#pragma once

#include "util/shaderprogram/shaderprogram.h"

class ShaderBank {
public:
    static constexpr int SLOT_COUNT = 37;
    static constexpr int EMPTY_SLOT = 8;

    // Builds the programs in ascending slot order, so a broken pair is the first one named.
    ShaderBank();
    ~ShaderBank();

    ShaderBank(const ShaderBank&) = delete;
    ShaderBank& operator=(const ShaderBank&) = delete;

    // The program of a slot (NULL for slot 8); a slot outside 0..36 is fatal.
    ShaderProgram* get_shader(int slot) const;
    // Binds the program of a slot; the empty slot 8 and slots outside 0..36 are fatal.
    void bind(int slot) const;

    // The vertex and fragment file names of a slot (empty for slots 8 and 36).
    static const char* vertex_file(int slot);
    static const char* fragment_file(int slot);

private:
    ShaderProgram* slots[SLOT_COUNT] = {};
};
