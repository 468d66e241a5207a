#include "util/shaderprogram/shaderprogram.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "platform/win32/messagebox.h"
#include "util/data/datafile.h"
#include "util/error/fatal.h"
#include "util/math/vector3.h"
#include "util/math/vector4.h"

namespace {

const char* const SOURCE = "src\\util\\shaderprogram\\shaderprogram";

// The info log of a shader or program object. The buffer is one byte longer than the length
// GL reports and always terminated, so a log of length 0 (or a driver that writes nothing)
// still reads as an empty text.
std::string info_log(GLuint object, void (*get_parameter)(GLuint, GLenum, GLint*),
                     void (*get_log)(GLuint, GLsizei, GLsizei*, GLchar*))
{
    GLint length = 0;
    get_parameter(object, GL_INFO_LOG_LENGTH, &length);
    if (length < 0) length = 0;
    std::vector<char> log(static_cast<size_t>(length) + 1, '\0');
    get_log(object, length + 1, nullptr, log.data());
    log[static_cast<size_t>(length)] = '\0';
    return std::string(log.data());
}

std::string shader_info_log(GLuint shader)
{
    return info_log(shader, glGetShaderiv, glGetShaderInfoLog);
}

std::string program_info_log(GLuint program)
{
    return info_log(program, glGetProgramiv, glGetProgramInfoLog);
}

bool starts_with_arb(const char* text)
{
    return std::strncmp(text, "!!ARB", 5) == 0;
}

} // namespace

ShaderProgram::ShaderProgram(const std::string& vertex, const std::string& fragment,
                             bool from_file_)
{
    if (vertex.empty() || fragment.empty()) return;
    vertex_name = vertex;
    fragment_name = fragment;
    from_file = from_file_;
    if (!load()) FATAL_ERROR(SOURCE, "Shader compile and link failed!");
}

ShaderProgram::~ShaderProgram()
{
    if (program != 0) {
        if (vertex_shader != 0) glDetachObjectARB(program, vertex_shader);
        if (fragment_shader != 0) glDetachObjectARB(program, fragment_shader);
        glDeleteObjectARB(program);
    }
    if (vertex_shader != 0) glDeleteObjectARB(vertex_shader);
    if (fragment_shader != 0) glDeleteObjectARB(fragment_shader);
    if (vertex_program != 0) glDeleteProgramsARB(1, &vertex_program);
    if (fragment_program != 0) glDeleteProgramsARB(1, &fragment_program);
}

bool ShaderProgram::load()
{
    if (!from_file) {
        kind = SHADER_KIND_GLSL;
        return compile_glsl(vertex_name.c_str(), fragment_name.c_str());
    }
    char* vertex_text = read_source(vertex_name);
    if (vertex_text == nullptr) FATAL_ERROR(SOURCE, "Can't read shader file " + vertex_name);
    char* fragment_text = read_source(fragment_name);
    if (fragment_text == nullptr) {
        std::free(vertex_text);
        FATAL_ERROR(SOURCE, "Can't read shader file " + fragment_name);
    }
    bool result = true;
    if (!starts_with_arb(vertex_text)) {
        kind = SHADER_KIND_GLSL;
        result = compile_glsl(vertex_text, fragment_text);
    } else if (!starts_with_arb(fragment_text)) {
        std::free(vertex_text);
        std::free(fragment_text);
        fatal_error_short(SOURCE, __LINE__);
    } else {
        kind = SHADER_KIND_ARB;
        compile_arb(vertex_text, fragment_text);
    }
    std::free(vertex_text);
    std::free(fragment_text);
    return result;
}

char* ShaderProgram::read_source(const std::string& name)
{
    char* text = DataFile::load_file(name.c_str(), "rt", nullptr, true);
    if (text != nullptr) return text;
    std::string common = "data/common/shaders/" + name;
    return DataFile::load_file(common.c_str(), "rt", nullptr, true);
}

bool ShaderProgram::compile_stage(GLhandleARB shader, const char* caption_prefix,
                                  const char* text_prefix, const std::string& name)
{
    glCompileShaderARB(shader);
    std::string log = shader_info_log(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status == 1) return true;
    std::string caption = caption_prefix + name;
    std::string text = text_prefix + log;
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
    return false;
}

bool ShaderProgram::compile_glsl(const char* vertex_text, const char* fragment_text)
{
    vertex_shader = glCreateShaderObjectARB(GL_VERTEX_SHADER);
    fragment_shader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER);
    glShaderSourceARB(vertex_shader, 1, &vertex_text, nullptr);
    glShaderSourceARB(fragment_shader, 1, &fragment_text, nullptr);

    // A failed vertex stage is reported alone: the program is lost either way.
    if (!compile_stage(vertex_shader, "Vertex shader compilation failed: ",
                       "--- Vertex shader compile failed, log:\n ", vertex_name)) {
        return false;
    }
    if (!compile_stage(fragment_shader, "Fragment shader compilation failed: ",
                       "--- Fragment shader compile failed, log:\n ", fragment_name)) {
        return false;
    }

    program = glCreateProgramObjectARB();
    glAttachObjectARB(program, vertex_shader);
    glAttachObjectARB(program, fragment_shader);
    glLinkProgramARB(program);
    std::string log = program_info_log(program);
    GLint status = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != 1) {
        std::string text = "--- Shader linking failed, log:\n " + log;
        MessageBoxA(nullptr, text.c_str(), "Shader linking failed", MB_OK);
        return false;
    }
    glValidateProgramARB(program);
    return true;
}

void ShaderProgram::compile_arb_stage(GLenum target, GLuint* name, const char* text,
                                      const char* stage)
{
    glGenProgramsARB(1, name);
    glBindProgramARB(target, *name);
    glProgramStringARB(target, GL_PROGRAM_FORMAT_ASCII_ARB,
                       static_cast<GLsizei>(std::strlen(text)), text);
    GLint position = -1;
    glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
    if (position == -1) return;
    const GLubyte* error = glGetString(GL_PROGRAM_ERROR_STRING_ARB);
    std::ostringstream message;
    message << stage << " program error at position: " << position << "\n"
            << (error != nullptr ? reinterpret_cast<const char*>(error) : "") << "\n";
    MessageBoxA(nullptr, message.str().c_str(), "Error", MB_OK);
    fatal_error_short(SOURCE, __LINE__);
}

void ShaderProgram::compile_arb(const char* vertex_text, const char* fragment_text)
{
    compile_arb_stage(GL_VERTEX_PROGRAM_ARB, &vertex_program, vertex_text, "Vertex");
    compile_arb_stage(GL_FRAGMENT_PROGRAM_ARB, &fragment_program, fragment_text, "Fragment");
}

void ShaderProgram::bind() const
{
    if (kind == SHADER_KIND_GLSL) {
        glUseProgramObjectARB(program);
        return;
    }
    glUseProgramObjectARB(0);
    glEnable(GL_FRAGMENT_PROGRAM_ARB);
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, vertex_program);
    glEnable(GL_VERTEX_PROGRAM_ARB);
    glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, fragment_program);
}

void ShaderProgram::unbind()
{
    glDisable(GL_FRAGMENT_PROGRAM_ARB);
    glDisable(GL_VERTEX_PROGRAM_ARB);
    glUseProgramObjectARB(0);
}

void ShaderProgram::set_uniform_mat4(const char* name, bool transpose, const float* values,
                                     int count) const
{
    glUniformMatrix4fv(glGetUniformLocation(program, name), count,
                       transpose ? GL_TRUE : GL_FALSE, values);
}

// One vector holds the values of one uniform: a larger count would make GL read past it, so
// the count is kept to at most one.
void ShaderProgram::set_uniform_vec4(const char* name, const Vector4& value, int count) const
{
    glUniform4fv(glGetUniformLocation(program, name), count > 1 ? 1 : count, &value.x);
}

void ShaderProgram::set_uniform_vec3(const char* name, const Vector3& value, int count) const
{
    glUniform3fv(glGetUniformLocation(program, name), count > 1 ? 1 : count, &value.x);
}

void ShaderProgram::set_uniform_2f(const char* name, float x, float y) const
{
    glUniform2f(glGetUniformLocation(program, name), x, y);
}

void ShaderProgram::set_uniform_1f(const char* name, float x) const
{
    glUniform1f(glGetUniformLocation(program, name), x);
}

void ShaderProgram::set_uniform_1i(const char* name, int value) const
{
    glUniform1i(glGetUniformLocation(program, name), value);
}

void ShaderProgram::bind_attrib_location(const char* name, int index) const
{
    glBindAttribLocation(program, static_cast<GLuint>(index), name);
}
