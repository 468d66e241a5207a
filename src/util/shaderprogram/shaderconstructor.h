// Writes GLSL texts at run time: callers append declaration and body lines to the vertex and
// the fragment part and hand the assembled texts to ShaderProgram (from_file false).
#pragma once

#include <string>

#include "util/shaderprogram/shadersource.h"

class ShaderConstructor {
public:
    ShaderConstructor() = default;
    ~ShaderConstructor() = default;

    ShaderConstructor(const ShaderConstructor&) = delete;
    ShaderConstructor& operator=(const ShaderConstructor&) = delete;

    // Each appends the line unchanged and one newline.
    void add_vertex_global(const std::string& line);
    void add_vertex_body(const std::string& line);
    void add_fragment_global(const std::string& line);
    void add_fragment_body(const std::string& line);

    std::string get_vertex_source() const;
    std::string get_fragment_source() const;

private:
    // Members are destroyed in reverse order: the fragment part first, then the vertex part.
    ShaderSource vertex;
    ShaderSource fragment;
};
