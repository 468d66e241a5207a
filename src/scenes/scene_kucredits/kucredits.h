// The closing credits: a full-screen moon picture with an additive blurred glow of itself,
// and three credit blocks (a role line and the credited handle) that fade in one after
// another, stay, and fade out one after another. Nothing is kept between frames.
#pragma once

#include "scenes/scene/blurredlayer.h"
#include "scenes/scene/scene.h"

class Texture;
class Text;

class KuCredits : public Scene {
public:
    KuCredits();
    ~KuCredits() override;

    KuCredits(const KuCredits&) = delete;
    KuCredits& operator=(const KuCredits&) = delete;

    void init() override;
    void render() override;
    void reshape(int w, int h) override;

private:
    Texture* moon = nullptr;
    BlurredLayer blurred_moon;
    Text* text = nullptr;
};
