// The base of the post passes that draw through one program of their own: it names the pass,
// appends its parameters and loads the program, in that order, and deletes the program with
// the pass.
#pragma once

#include <initializer_list>
#include <string>

#include "effects/effect/postproc.h"

class ShaderProgram;

namespace Effects {

class ProgramPostProc : public PostProc {
public:
    // A parameter: the word that follows the pass's name, and its default.
    struct Param {
        const char* word;
        float value;
    };

    ~ProgramPostProc() override;

protected:
    ProgramPostProc(const std::string& pass_name, std::initializer_list<Param> params,
                    const std::string& vertex_file, const std::string& fragment_file);

    ShaderProgram* program = nullptr;
};

} // namespace Effects
