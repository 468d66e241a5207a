// The waveform of the playing music as one green trace across a black screen: the next 1024
// interleaved samples from the playback position, each stereo pair summed into one point.
// Drawn into the shared frame-buffer object and then over the whole target.
#pragma once

#include "scenes/scene/scene.h"

class Oscilloscope : public Scene {
public:
    static constexpr int SAMPLE_COUNT = 1024;

    Oscilloscope();

    void init() override;
    void render() override;
    // A plain viewport with x running 0..1 across and y -1..1 up; the base reshape is not
    // called.
    void reshape(int w, int h) override;

private:
    float samples[SAMPLE_COUNT];
};
