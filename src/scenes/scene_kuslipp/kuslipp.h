// Cows falling out of the sky: a cloud sky that scrolls in two parallax layers over a clear
// blue, a plane crossing and two falling cows, each placed and sized by sync tracks alone.
#pragma once

#include "scenes/scene/scene.h"

class Texture;

class KuSlipp : public Scene {
public:
    KuSlipp();
    ~KuSlipp() override;

    KuSlipp(const KuSlipp&) = delete;
    KuSlipp& operator=(const KuSlipp&) = delete;

    void init() override;
    void render() override;

private:
    Texture* sky = nullptr; // tiles in both directions, with transparent gaps
    Texture* plane = nullptr;
    Texture* first_cow = nullptr;
    Texture* second_cow = nullptr;

    // The sky, offset by (x, y) in texture coordinates: a back layer showing the lower 0.3 of
    // the picture once across, and a front layer moving faster that shows half of it twice.
    void draw_sky(float x, float y);
    // A sprite of the given height with its lower left corner at (x, y) (screen fractions);
    // nothing once its bottom edge is above the screen.
    void draw_picture(Texture* picture, float x, float y, float size);
};
