#include "util/music/modulators/arp.h"

#include <cmath>
#include <sstream>

#include "util/error/fatal.h"

namespace {
const char* const SOURCE = "src\\util\\music\\modulators\\arp";
}

Arp::Arp(int pattern_, int octaves_, int numerator, int denominator, bool triplet)
    : pattern(pattern_), octaves(octaves_)
{
    type = MOD_TYPE_ARP;
    length = note_length(numerator, denominator, triplet);
}

float Arp::get_value(float, float, float note_off, float note_on)
{
    return note_on > note_off ? 1.0f : 0.0f;
}

int Arp::get_step(float, float beat, float start, int count)
{
    if (count <= 1)
        return 0;
    if (pattern != ARP_UPDOWN) {
        std::ostringstream message;
        message << "Unhandled arp pattern " << pattern << "!\n";
        FATAL_ERROR(SOURCE, message.str());
    }

    // The step number is taken modulo 2^32, as an unsigned 32-bit count would wrap; a step
    // without length, or a quotient without a value, stays on the first note.
    if (!(length > 0.0f))
        return 0;
    double steps = std::trunc(static_cast<double>((beat - start) / length));
    if (!std::isfinite(steps))
        return 0;
    double wrapped = std::fmod(steps, 4294967296.0);
    if (wrapped < 0.0)
        wrapped += 4294967296.0;
    uint32_t period = 2u * static_cast<uint32_t>(count) - 2u;
    uint32_t k = static_cast<uint32_t>(wrapped) % period;
    if (k >= static_cast<uint32_t>(count))
        k = 2u * static_cast<uint32_t>(count) - 2u - k;
    return static_cast<int>(k);
}
