#include "util/music/modulators/lfo.h"

#include <cmath>
#include <sstream>

#include "util/error/fatal.h"

namespace {
const char* const SOURCE = "src\\util\\music\\modulators\\lfo";
}

LFO::LFO(int wave_, int controller_number, int numerator, int denominator, bool triplet)
    : wave(wave_)
{
    type = MOD_TYPE_LFO;
    controller = controller_number;
    length = note_length(numerator, denominator, triplet);
}

float LFO::get_value(float, float beat, float note_off, float note_on)
{
    if (!(note_off < note_on))
        return 0.0f;
    float t = beat - note_on;
    switch (wave) {
    case WAVE_SINE:
        // An oscillator without a period stands still at its start.
        if (!(length > 0.0f))
            return 0.0f;
        return 0.5f * std::sin(6.2831855f * t / length - 1.5707964f) + 0.5f;
    case WAVE_SAW:
        if (!(length > 0.0f))
            return 0.0f;
        return std::fmod(t, length);
    default: {
        std::ostringstream message;
        message << "Unsupported wave type: " << wave;
        FATAL_ERROR(SOURCE, message.str());
    }
    }
}
