// Cows at three temperatures: a thermometer at -100, 0 or 100 degrees and the cow that goes
// with it, the row chosen by the progress track and the cow faded in by a second track.
#pragma once

#include "scenes/scene/scene.h"

class Texture;

class KuTemp : public Scene {
public:
    static constexpr int ROWS = 3;

    KuTemp();
    ~KuTemp() override;

    KuTemp(const KuTemp&) = delete;
    KuTemp& operator=(const KuTemp&) = delete;

    void init() override;
    void render() override;

private:
    Texture* thermometers[ROWS] = {}; // -100, 0 and 100 degrees
    Texture* cows[ROWS] = {};
};
