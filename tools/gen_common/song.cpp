#include "song.h"

#include <cmath>

namespace gen {

const SongTrack* Song::find(const std::string& name) const
{
    for (const SongTrack& track : tracks)
        if (track.name == name)
            return &track;
    return nullptr;
}

double wobble_period_beats(int controller_value)
{
    if (controller_value <= 42)
        return 1.0;
    if (controller_value <= 84)
        return 0.5;
    return 0.25;
}

int64_t tick_to_sample(int64_t tick, double bpm)
{
    return std::llround(static_cast<double>(tick) * 60.0 * SAMPLE_RATE / (bpm * TICKS_PER_BEAT));
}

int64_t beats_to_samples(double beats, double bpm)
{
    return std::llround(beats * 60.0 * SAMPLE_RATE / bpm);
}

} // namespace gen
