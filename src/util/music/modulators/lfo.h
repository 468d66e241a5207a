// Low-frequency oscillator that starts with each held note: a sine from 0 to 1 or a saw that
// counts beats within its period.
#pragma once

#include "util/music/modulators/modulator.h"

enum WaveType {
    WAVE_SINE = 0,
    WAVE_SAW = 1,
};

class LFO : public Modulator {
public:
    LFO(int wave, int controller, int numerator, int denominator, bool triplet);

    float get_value(float bpm, float beat, float note_off, float note_on) override;

    int get_wave() const { return wave; }

private:
    int wave;
};
