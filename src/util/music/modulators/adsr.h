// Attack, decay, sustain, release envelope of a note, with linear or exponential segments.
#pragma once

#include "util/music/modulators/modulator.h"

enum SlopeType {
    SLOPE_LINEAR = 0,
    SLOPE_EXP = 1,
    SLOPE_EXP_INV = 2,
};

class ADSR : public Modulator {
public:
    ADSR(float attack, int attack_slope, float decay, int decay_slope, float sustain,
         float release, int release_slope);

    float get_value(float bpm, float beat, float note_off, float note_on) override;

    float get_attack() const { return attack; }
    float get_decay() const { return decay; }
    float get_sustain() const { return sustain; }
    float get_release() const { return release; }
    int get_attack_slope() const { return attack_slope; }
    int get_decay_slope() const { return decay_slope; }
    int get_release_slope() const { return release_slope; }

    // Position x within a segment of duration d; a segment of no duration is already over.
    float rise_linear(float x, float d) const;
    float fall_linear(float x, float d) const;
    float rise_exp(float x, float d) const;
    float fall_exp(float x, float d) const;
    float rise_exp_inv(float x, float d) const;
    float fall_exp_inv(float x, float d) const;

private:
    float rise(int slope, float x, float d) const;
    float fall(int slope, float x, float d) const;
    float level_after(float held) const;

    float attack;
    int attack_slope;
    float decay;
    int decay_slope;
    float sustain;
    float release;
    int release_slope;
    float curvature = 250.0f;
};
