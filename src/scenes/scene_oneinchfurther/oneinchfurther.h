// A ruler that grows one centimetre at a time in step with the music: white bars labelled
// 1 cm to 8 cm are added one per interval while the view scrolls sideways, and a last segment
// labelled "?" turns red, stretches and blinks. Nothing is kept between frames: every frame
// follows from the beat and the tracks.
#pragma once

#include <string>
#include <vector>

#include "scenes/scene/scene.h"

class Text;

class OneInchFurther : public Scene {
public:
    OneInchFurther();
    ~OneInchFurther() override;

    OneInchFurther(const OneInchFurther&) = delete;
    OneInchFurther& operator=(const OneInchFurther&) = delete;

    void init() override;
    void render() override;
    void reshape(int w, int h) override;

    // How many segments show at a segment count k = (beat - start) / interval: none while k
    // is negative (before the start, or after it for a negative interval), one more every
    // whole count, never more than the labels. An interval of zero or one that is not
    // finite, or a count that is not a number, shows none.
    static int visible_segments(float interval, float k, int labels);

private:
    Text* text = nullptr;
    std::vector<std::string> labels; // "1 cm" .. "8 cm", then "?"
};
