// Arpeggiator: walks the held notes of a track one step length at a time.
#pragma once

#include "util/music/modulators/modulator.h"

enum ArpPattern {
    ARP_UPDOWN = 0,
    ARP_UP = 1,
    ARP_DOWN = 2,
};

class Arp : public Modulator {
public:
    Arp(int pattern, int octaves, int numerator, int denominator, bool triplet);

    // 1 while the note is held, else 0.
    float get_value(float bpm, float beat, float note_off, float note_on) override;

    // The index, among count held notes, that sounds at beat; start is the latest note-on
    // among them.
    int get_step(float bpm, float beat, float start, int count);

    int get_pattern() const { return pattern; }
    int get_octaves() const { return octaves; }

private:
    int pattern;
    int octaves;
};
