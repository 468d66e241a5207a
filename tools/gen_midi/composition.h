// The show's music as notes: an A-minor rave tune at 145 BPM whose sections follow the
// scenes of the show.
#pragma once

#include "song.h"

namespace gen {

// Length of the composed piece in beats (the last note's tail included).
constexpr double COMPOSITION_BEATS = 638.0;

// Builds the whole piece. Deterministic: the same notes every time.
Song compose_show();

} // namespace gen
