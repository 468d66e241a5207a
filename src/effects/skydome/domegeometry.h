// The shape a sky dome draws: anything that can draw itself in the current GL state.
#pragma once

namespace Effects {

class DomeGeometry {
public:
    virtual ~DomeGeometry() = default;
    virtual void draw() = 0;
};

} // namespace Effects
