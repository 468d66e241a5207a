// One GPU program of a vertex and a fragment stage: GLSL, or ARB assembly when both files
// start with "!!ARB". Built from two files read through the data layer (a bare name is also
// looked for under "data/common/shaders/") or from two GLSL texts in memory. A compile or link
// problem shows the driver's log in a box and ends the program.
#pragma once

#include <GL/glew.h>
#include <string>

class Vector3;
class Vector4;

enum ShaderKind {
    SHADER_KIND_GLSL = 0,
    SHADER_KIND_ARB = 1,
};

class ShaderProgram {
public:
    // An empty vertex or fragment string makes an empty program: nothing is compiled and
    // bind selects the fixed-function pipeline.
    ShaderProgram(const std::string& vertex, const std::string& fragment, bool from_file);
    ~ShaderProgram();

    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    bool load();
    // A NUL-terminated text from the data layer that the caller frees, or NULL.
    static char* read_source(const std::string& name);
    bool compile_glsl(const char* vertex_text, const char* fragment_text);
    void compile_arb(const char* vertex_text, const char* fragment_text);

    void bind() const;
    static void unbind();

    // The program must be the bound one; a name the program lacks is ignored by GL.
    void set_uniform_mat4(const char* name, bool transpose, const float* values, int count) const;
    void set_uniform_vec4(const char* name, const Vector4& value, int count) const;
    void set_uniform_vec3(const char* name, const Vector3& value, int count) const;
    void set_uniform_2f(const char* name, float x, float y) const;
    void set_uniform_1f(const char* name, float x) const;
    void set_uniform_1i(const char* name, int value) const;

    void bind_attrib_location(const char* name, int index) const;

    GLhandleARB get_program() const { return program; }
    int get_kind() const { return kind; }

private:
    std::string vertex_name;
    std::string fragment_name;
    GLhandleARB vertex_shader = 0;
    GLhandleARB fragment_shader = 0;
    GLhandleARB program = 0;
    GLuint vertex_program = 0;
    GLuint fragment_program = 0;
    int kind = SHADER_KIND_GLSL;
    bool from_file = false;

    bool compile_stage(GLhandleARB shader, const char* caption_prefix, const char* text_prefix,
                       const std::string& name);
    void compile_arb_stage(GLenum target, GLuint* name, const char* text, const char* stage);
};
