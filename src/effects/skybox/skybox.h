// A cube-mapped sky: a cube around a position whose corners are their own 3-D texture
// coordinates, drawn without depth test or depth writes, so whatever the scene draws later lies
// in front of it. Initialised once with the six face pictures before it is drawn.
#pragma once

#include <string>

#include "effects/effect/effect.h"
#include "util/math/vector3.h"
#include "util/texture/texturecube.h"

namespace Effects {

class SkyBox : public Effect {
public:
    SkyBox();
    ~SkyBox() override;

    SkyBox(const SkyBox&) = delete;
    SkyBox& operator=(const SkyBox&) = delete;

    // Loads the faces base + face + "." + extension, named "negx" ... "posz" when a "negx"
    // face is found through the data layer, else "left", "right", "down", "up", "back",
    // "front". The cube is 2 x size wide around position.
    void init(const Vector3& position, float size, const char* base, const char* extension);
    void render(float time) override;

    // The face names of the scheme that init picks for a base, in the order -X, +X, -Y, +Y,
    // -Z, +Z.
    static void face_names(const std::string& base, const std::string& extension,
                           std::string names[6]);

    bool is_initialised() const { return initialised; }
    float get_scale() const { return scale; }
    const TextureCube& get_cube() const { return cube; }

private:
    bool initialised;
    Vector3 position;
    float scale;
    TextureCube cube;
};

} // namespace Effects
