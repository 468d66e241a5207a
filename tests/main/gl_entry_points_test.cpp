#include "main/gl_entry_points.h"

#include <GL/glew.h>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>

#include "support/child_process.h"

namespace {

// The GL functions a program refers to through GLEW's pointers (__glewName for glName), as its
// dynamic symbol table lists them.
std::set<std::string> glew_functions_of(const std::string& program)
{
    const ChildResult listing = run_program({"nm", "-D", program});
    EXPECT_EQ(listing.exit_code, 0) << listing.err;
    std::set<std::string> names;
    const std::regex pointer("__glew([A-Z][A-Za-z0-9_]*)");
    for (std::sregex_iterator at(listing.out.begin(), listing.out.end(), pointer), end; at != end; ++at) {
        names.insert("gl" + (*at)[1].str());
    }
    return names;
}

void GLAPIENTRY present_uniform(GLint, GLfloat) {}

} // namespace

// A GL call added to the code without its row in the table would crash again where the driver
// lacks it.
TEST(GlEntryPoints, TheTableNamesEveryGlewFunctionThePlayerAndThePackerCall)
{
    const std::vector<std::string>& called = gl_functions_called();
    const std::set<std::string> table(called.begin(), called.end());
    EXPECT_EQ(table.size(), called.size()) << "a function stands twice in the table";
    for (const char* program : {"pellorvane", "pellorvane-pack"}) {
        const std::set<std::string> referred = glew_functions_of(std::string(PELLORVANE_BINARY_DIR) + "/" + program);
        EXPECT_FALSE(referred.empty()) << program;
        EXPECT_EQ(referred, table) << program;
    }
}

// A missing function ends the program when it is called, with a report naming it, whatever it
// returns and takes; a function the driver gave stays as it is.
TEST(GlEntryPoints, AMissingFunctionEndsTheProgramWithItsNameWhenCalled)
{
    struct Case {
        const char* name;
        void (*call)();
    };
    const Case cases[] = {
        {"glGenerateMipmapEXT", [] { glGenerateMipmapEXT(GL_TEXTURE_2D); }},
        {"glCheckFramebufferStatusEXT", [] { std::_Exit(static_cast<int>(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT))); }},
        {"glGetUniformLocation", [] { std::_Exit(glGetUniformLocation(1, "image")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChildResult result = run_in_child([&c] {
            glGenerateMipmapEXT = nullptr;
            glCheckFramebufferStatusEXT = nullptr;
            glGetUniformLocation = nullptr;
            glUniform1f = present_uniform;
            const std::vector<std::string> missing = stand_in_for_missing_gl_functions();
            for (const char* name : {"glGenerateMipmapEXT", "glCheckFramebufferStatusEXT", "glGetUniformLocation"}) {
                if (std::find(missing.begin(), missing.end(), name) == missing.end()) std::_Exit(2);
            }
            if (std::find(missing.begin(), missing.end(), "glUniform1f") != missing.end()) std::_Exit(3);
            if (glUniform1f != present_uniform) std::_Exit(4);
            glUniform1f(0, 1.0f);
            c.call();
            std::_Exit(5);
        });
        EXPECT_EQ(result.exit_code, 1) << result.err;
        EXPECT_EQ(result.err.rfind("Error in file src\\main\\gl_entry_points:", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(std::string("\n\nGL function ") + c.name +
                                  " not supported by the driver; the demo cannot go on without it\n"),
                  std::string::npos)
            << result.err;
    }
}
