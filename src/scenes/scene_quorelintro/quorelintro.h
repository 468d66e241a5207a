// The opening scene: a timed 2-D sequence about units of measurement. A sun with an orbiting
// globe and year facts, unit conversions drifting across the screen, a confused cow with a
// "?" sign, a temperature counter in Celsius and Fahrenheit, a cube with three 6 dm labels,
// five measuring instruments, the three title words, then the waving flag and a portrait with
// a red additive glow. Every element has its own window in beats, faded in and out; the
// windows and positions come from sync tracks, and nothing is kept between frames, so any
// beat shows its picture at once.
#pragma once

#include <vector>

#include "scenes/scene/scene.h"

class Texture;
class Text;

namespace Effects {
class Flag;
}

class QuorelIntro : public Scene {
public:
    QuorelIntro();
    ~QuorelIntro() override;

    QuorelIntro(const QuorelIntro&) = delete;
    QuorelIntro& operator=(const QuorelIntro&) = delete;

    void init() override;
    void render() override;
    void reshape(int w, int h) override;

private:
    Texture* sun = nullptr;
    Texture* globe = nullptr;
    Texture* cow = nullptr;
    Texture* cube = nullptr;
    Texture* flag_picture = nullptr;
    Texture* portrait = nullptr;
    Texture* portrait_glow = nullptr;
    std::vector<Texture*> instruments; // clock, ruler, multimeter, measuring cup, scale
    Text* small_text = nullptr;
    Text* medium_text = nullptr;
    Text* large_text = nullptr;
    Effects::Flag* flag = nullptr;

    float track(const char* name);
    // The steps of a frame, in drawing order, at beat t.
    void draw_sun_and_globe(float t);
    void draw_conversions(float t);
    void draw_cow(float t);
    void draw_temperature(float t);
    void draw_cube_and_instruments(float t);
    void draw_title(float t);
    void draw_flag_and_portrait(float t);
};
