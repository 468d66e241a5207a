#include "effects/effect/postproc.h"

#include "util/error/fatal.h"

namespace Effects {

PostProc::~PostProc() = default;

void PostProc::prepare(int, int, float, FBO*) {}

void PostProc::set_uniforms(int, int, float)
{
    fatal_error("src\\effects\\effect", 64, "Well this shouldn't happen...");
}

bool PostProc::leaves_picture_unchanged() const
{
    return false;
}

std::string PostProc::get_name() const
{
    return name;
}

const std::vector<std::string>& PostProc::get_param_names() const
{
    return param_names;
}

void PostProc::set_param(int i, float value)
{
    if (i >= 0 && static_cast<size_t>(i) < param_values.size()) param_values[static_cast<size_t>(i)] = value;
}

float PostProc::get_param(int i) const
{
    if (i >= 0 && static_cast<size_t>(i) < param_values.size()) return param_values[static_cast<size_t>(i)];
    return 0.0f;
}

void PostProc::add_param(const std::string& word, float value)
{
    param_names.push_back(name + word);
    param_values.push_back(value);
}

} // namespace Effects
