#include <gtest/gtest.h>

#include "main/main.h"

namespace {
const std::string TAIL =
    " not supported, which means this demo probably won't run very well or at all. If you "
    "still want to risk it, press OK. \n\n(Side effects may include bubonic plague, outbreaks "
    "of cholera, Spontaneous Massive Existence Failures and other conditions too horrible for "
    "mere words. The author of this application does not take responsibility for any damages, "
    "injuries or death resulting from the erroneous use of this product.)";
}

TEST(ExtensionQuestion, TextNamesTheMissingExtensions)
{
    struct Case {
        std::vector<std::string> missing;
        std::string expected;
    };
    const Case cases[] = {
        {{}, ""},
        {{"GLEW_ARB_point_sprite"}, "Extension GLEW_ARB_point_sprite" + TAIL},
        {{"GLEW_ARB_vertex_program", "GLEW_ARB_multisample"},
         "Extensions GLEW_ARB_vertex_program, GLEW_ARB_multisample" + TAIL},
        {{"GLEW_ARB_texture_float", "GLEW_ARB_draw_buffers", "GLEW_ARB_depth_texture"},
         "Extensions GLEW_ARB_texture_float, GLEW_ARB_draw_buffers, GLEW_ARB_depth_texture" + TAIL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(missing_extensions_text(c.missing), c.expected) << c.missing.size() << " missing";
    }
}
