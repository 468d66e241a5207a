// One part (vertex or fragment) of a generated GLSL text: declaration lines, functions and the
// statements of main, assembled under a fixed banner and section headings.
#pragma once

#include <sstream>
#include <string>

class ShaderSource {
public:
    void add_global(const std::string& line);
    void add_body(const std::string& line);
    std::string build() const;

private:
    std::ostringstream globals;
    std::ostringstream functions; // nothing appends here; kept so the sections stay complete
    std::ostringstream body;
};
