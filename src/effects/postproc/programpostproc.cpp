#include "effects/postproc/programpostproc.h"

#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

ProgramPostProc::ProgramPostProc(const std::string& pass_name, std::initializer_list<Param> params,
                                 const std::string& vertex_file, const std::string& fragment_file)
{
    name = pass_name;
    for (const Param& param : params) add_param(param.word, param.value);
    program = new ShaderProgram(vertex_file, fragment_file, true);
}

ProgramPostProc::~ProgramPostProc() { delete program; }

} // namespace Effects
