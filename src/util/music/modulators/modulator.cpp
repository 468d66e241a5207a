#include "util/music/modulators/modulator.h"

#include <sstream>

#include "util/error/fatal.h"

namespace {
const char* const SOURCE = "src\\util\\music\\modulators\\modulator";
}

void ControllerTemplate::add(uint8_t range_min, uint8_t range_max, float range_value)
{
    min.push_back(range_min);
    max.push_back(range_max);
    value.push_back(range_value);
}

float ControllerTemplate::lookup(uint8_t v, float fallback) const
{
    for (size_t i = 0; i < max.size(); ++i) {
        if (max[i] >= v) {
            if (v > min[i])
                return value[i];
            FATAL_ERROR(SOURCE, "How did this happen?");
        }
    }
    return fallback;
}

float note_length(int numerator, int denominator, bool triplet)
{
    if (denominator == 0)
        return 0.0f;
    float length = 4.0f * static_cast<float>(numerator) / static_cast<float>(denominator);
    if (triplet)
        length *= 0.6666667f;
    return length;
}

Modulator::Modulator() = default;

float Modulator::get_value(float, float, float, float) { return 1.0f; }

void Modulator::add_range(int min, int max, int numerator, int denominator, bool triplet)
{
    controller_template.add(static_cast<uint8_t>(min & 0xFF), static_cast<uint8_t>(max & 0xFF),
                            note_length(numerator, denominator, triplet));
}

void Modulator::set_controller_value(int v)
{
    if (v < 0 || v >= 128) {
        std::ostringstream message;
        message << "Value out of bounds: " << v;
        FATAL_ERROR(SOURCE, message.str());
    }
    length = controller_template.lookup(static_cast<uint8_t>(v), length);
}
