// A timed full-screen colour flash: around each key time the colour fades in over the attack
// and out over the release (all in beats).
#pragma once

#include <vector>

#include "effects/effect/effect.h"
#include "util/math/vector4.h"

namespace Effects {

class FlashOverlay : public Effect {
public:
    // Draws the flash of the first key whose window holds t, if any; leaves the modelview
    // matrix mode current.
    void render(float t) override;

    // The flash's alpha at t from the first key k (in list order) with k - attack <= t <=
    // k + release: rising to 1 at k, falling to 0 at k + release. False outside every window.
    bool alpha_at(float t, float* alpha) const;

    std::vector<float> key_times;
    float attack = 0.0f;
    float release = 0.0f;
    Vector4 colour; // its alpha is overwritten on every drawn frame
};

} // namespace Effects
