// The base of the scene effects that scenes own and call (fire, flag, sky box, radial blur).
#pragma once

namespace Effects {

class Effect {
public:
    Effect() = default;
    virtual ~Effect();

    // Draws the effect at the given time in beats.
    virtual void render(float time);
};

} // namespace Effects
