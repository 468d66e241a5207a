#include "effects/effect/effect.h"

#include "util/error/fatal.h"

namespace Effects {

Effect::~Effect() = default;

void Effect::render(float)
{
    fatal_error_short("src\\effects\\effect", 17);
}

} // namespace Effects
