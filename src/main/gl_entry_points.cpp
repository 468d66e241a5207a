#include "main/gl_entry_points.h"

#include <GL/glew.h>

#include "util/error/fatal.h"

namespace {

const char* const SOURCE = "src\\main\\gl_entry_points";

template <typename Pointer>
struct ResultOf;
template <typename Result, typename... Arguments>
struct ResultOf<Result (*)(Arguments...)> {
    using type = Result;
};

[[noreturn]] void report_missing(const char* name)
{
    FATAL_ERROR(SOURCE, std::string("GL function ") + name +
                            " not supported by the driver; the demo cannot go on without it");
}

struct GlFunction {
    const char* name;
    // Puts the stand-in in place where the driver gave nothing; true then.
    bool (*stand_in_if_missing)();
};

// The stand-in takes whatever arguments the function takes: a generic lambda converts to a
// function pointer of the exact type GLEW declares.
#define GL_FUNCTION(function)                                                                   \
    {                                                                                           \
        #function, [] {                                                                         \
            if (function != nullptr) return false;                                              \
            using Result = ResultOf<decltype(function)>::type;                                  \
            function = [](auto...) -> Result { report_missing(#function); };                   \
            return true;                                                                        \
        }                                                                                       \
    }

// Every GLEW-loaded function of the player's code (the test of this table compares it with the
// GLEW pointers the player's binary refers to).
const GlFunction GL_FUNCTIONS[] = {
    GL_FUNCTION(glActiveTexture),
    GL_FUNCTION(glActiveTextureARB),
    GL_FUNCTION(glAttachObjectARB),
    GL_FUNCTION(glBindAttribLocation),
    GL_FUNCTION(glBindBuffer),
    GL_FUNCTION(glBindFramebufferEXT),
    GL_FUNCTION(glBindProgramARB),
    GL_FUNCTION(glBindRenderbufferEXT),
    GL_FUNCTION(glBlitFramebufferEXT),
    GL_FUNCTION(glBufferData),
    GL_FUNCTION(glBufferSubData),
    GL_FUNCTION(glCheckFramebufferStatusEXT),
    GL_FUNCTION(glClientActiveTexture),
    GL_FUNCTION(glCompileShaderARB),
    GL_FUNCTION(glCreateProgramObjectARB),
    GL_FUNCTION(glCreateShaderObjectARB),
    GL_FUNCTION(glDeleteBuffers),
    GL_FUNCTION(glDeleteFramebuffersEXT),
    GL_FUNCTION(glDeleteObjectARB),
    GL_FUNCTION(glDeleteProgramsARB),
    GL_FUNCTION(glDeleteRenderbuffersEXT),
    GL_FUNCTION(glDetachObjectARB),
    GL_FUNCTION(glDisableVertexAttribArray),
    GL_FUNCTION(glDrawBuffers),
    GL_FUNCTION(glEnableVertexAttribArray),
    GL_FUNCTION(glFramebufferRenderbuffer),
    GL_FUNCTION(glFramebufferRenderbufferEXT),
    GL_FUNCTION(glFramebufferTexture2DEXT),
    GL_FUNCTION(glGenBuffers),
    GL_FUNCTION(glGenFramebuffersEXT),
    GL_FUNCTION(glGenProgramsARB),
    GL_FUNCTION(glGenRenderbuffersEXT),
    GL_FUNCTION(glGenerateMipmapEXT),
    GL_FUNCTION(glGetAttribLocationARB),
    GL_FUNCTION(glGetProgramInfoLog),
    GL_FUNCTION(glGetProgramiv),
    GL_FUNCTION(glGetShaderInfoLog),
    GL_FUNCTION(glGetShaderiv),
    GL_FUNCTION(glGetUniformLocation),
    GL_FUNCTION(glLinkProgramARB),
    GL_FUNCTION(glMultiTexCoord4f),
    GL_FUNCTION(glProgramStringARB),
    GL_FUNCTION(glRenderbufferStorage),
    GL_FUNCTION(glRenderbufferStorageMultisampleEXT),
    GL_FUNCTION(glShaderSourceARB),
    GL_FUNCTION(glTexImage2DMultisample),
    GL_FUNCTION(glUniform1f),
    GL_FUNCTION(glUniform1i),
    GL_FUNCTION(glUniform2f),
    GL_FUNCTION(glUniform3fv),
    GL_FUNCTION(glUniform4fv),
    GL_FUNCTION(glUniformMatrix4fv),
    GL_FUNCTION(glUseProgramObjectARB),
    GL_FUNCTION(glValidateProgramARB),
    GL_FUNCTION(glVertexAttribPointer),
};

#undef GL_FUNCTION

} // namespace

const std::vector<std::string>& gl_functions_called()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const GlFunction& function : GL_FUNCTIONS) all.push_back(function.name);
        return all;
    }();
    return names;
}

std::vector<std::string> stand_in_for_missing_gl_functions()
{
    std::vector<std::string> missing;
    for (const GlFunction& function : GL_FUNCTIONS) {
        if (function.stand_in_if_missing()) missing.push_back(function.name);
    }
    return missing;
}
