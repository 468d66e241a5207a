// The cow joke: the question panel, then from the progress track's 1 on the punch-line panel,
// at a position and width that the sync tracks let drift.
#pragma once

#include "scenes/scene/scene.h"

class Texture;

class KuVits : public Scene {
public:
    KuVits();
    ~KuVits() override;

    KuVits(const KuVits&) = delete;
    KuVits& operator=(const KuVits&) = delete;

    void init() override;
    void render() override;

private:
    Texture* question = nullptr;
    Texture* punch_line = nullptr;
};
