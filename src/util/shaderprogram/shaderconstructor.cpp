#include "util/shaderprogram/shaderconstructor.h"

void ShaderConstructor::add_vertex_global(const std::string& line)
{
    vertex.add_global(line);
}

void ShaderConstructor::add_vertex_body(const std::string& line)
{
    vertex.add_body(line);
}

void ShaderConstructor::add_fragment_global(const std::string& line)
{
    fragment.add_global(line);
}

void ShaderConstructor::add_fragment_body(const std::string& line)
{
    fragment.add_body(line);
}

std::string ShaderConstructor::get_vertex_source() const
{
    return vertex.build();
}

std::string ShaderConstructor::get_fragment_source() const
{
    return fragment.build();
}
