#include "util/music/modulators/adsr.h"

#include <cmath>
#include <sstream>

#include "util/error/fatal.h"

namespace {

const char* const SOURCE = "src\\util\\music\\modulators\\adsr";

[[noreturn]] void unrecognized_slope(int slope)
{
    std::ostringstream message;
    message << "Unrecognized slope type " << slope;
    FATAL_ERROR(SOURCE, message.str());
}

} // namespace

ADSR::ADSR(float attack_, int attack_slope_, float decay_, int decay_slope_, float sustain_,
           float release_, int release_slope_)
    : attack(attack_), attack_slope(attack_slope_), decay(decay_), decay_slope(decay_slope_),
      sustain(sustain_), release(release_), release_slope(release_slope_)
{
    type = MOD_TYPE_ADSR;
}

float ADSR::rise_linear(float x, float d) const { return d > 0.0f ? x / d : 1.0f; }

float ADSR::fall_linear(float x, float d) const { return d > 0.0f ? 1.0f - x / d : 0.0f; }

float ADSR::rise_exp(float x, float d) const
{
    if (!(d > 0.0f))
        return 1.0f;
    return (std::pow(curvature, x / d) - 1.0f) / (curvature - 1.0f);
}

float ADSR::fall_exp(float x, float d) const
{
    if (!(d > 0.0f))
        return 0.0f;
    return (std::pow(curvature, (d - x) / d) - 1.0f) / (curvature - 1.0f);
}

float ADSR::rise_exp_inv(float x, float d) const
{
    if (!(d > 0.0f))
        return 1.0f;
    return 1.0f - (std::pow(curvature, (d - x) / d) - 1.0f) / (curvature - 1.0f);
}

float ADSR::fall_exp_inv(float x, float d) const
{
    if (!(d > 0.0f))
        return 0.0f;
    return 1.0f - (std::pow(curvature, x / d) - 1.0f) / (curvature - 1.0f);
}

float ADSR::rise(int slope, float x, float d) const
{
    switch (slope) {
    case SLOPE_LINEAR: return rise_linear(x, d);
    case SLOPE_EXP: return rise_exp(x, d);
    case SLOPE_EXP_INV: return rise_exp_inv(x, d);
    default: unrecognized_slope(slope);
    }
}

float ADSR::fall(int slope, float x, float d) const
{
    switch (slope) {
    case SLOPE_LINEAR: return fall_linear(x, d);
    case SLOPE_EXP: return fall_exp(x, d);
    case SLOPE_EXP_INV: return fall_exp_inv(x, d);
    default: unrecognized_slope(slope);
    }
}

// The level reached after t beats of holding: attack, then decay towards the sustain level.
float ADSR::level_after(float t) const
{
    if (t <= attack)
        return rise(attack_slope, t, attack);
    if (t <= attack + decay)
        return fall(decay_slope, t - attack, decay) * (1.0f - sustain) + sustain;
    return sustain;
}

float ADSR::get_value(float, float beat, float note_off, float note_on)
{
    // A note that was never played has no envelope.
    if (note_on < 0.0f)
        return 0.0f;

    if (note_off < note_on)
        return level_after(beat - note_on);

    float held = note_off - note_on;
    float level;
    if (held < attack)
        level = rise(attack_slope, held, attack);
    else if (held < attack + decay)
        level = fall(decay_slope, held - attack, decay) * (1.0f - sustain) + sustain;
    else
        level = sustain;

    float released = beat - note_off;
    if (released > release)
        return 0.0f;
    return fall(release_slope, released, release) * level;
}
