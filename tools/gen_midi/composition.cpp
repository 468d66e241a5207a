#include "composition.h"

#include <cmath>

namespace gen {

namespace {

// Instrument tracks in file order; the channel is the index.
enum Part { BEEPER, SUB, SIRENE, KICK, SNARE, HATS, PAD, LEAD, PART_COUNT };
const char* const PART_NAMES[PART_COUNT] = {"Rave beeper", "Sub",  "Sirene", "Kick",
                                            "Snare",       "Hats", "Pad",    "Lead"};

// The lead's tune: eight bars over Am, F, C, G twice; (beat in the phrase, length, pitch).
struct TuneNote {
    double beat, length;
    int pitch;
};
const TuneNote TUNE[] = {
    {0, 1.5, 76},  {1.5, 0.5, 74}, {2, 1, 72},    {3, 1, 71},    // Am
    {4, 2, 72},    {6, 1, 69},     {7, 1, 72},                   // F
    {8, 1.5, 76},  {9.5, 0.5, 77}, {10, 1, 76},   {11, 1, 74},   // C
    {12, 3, 74},   {15, 1, 71},                                  // G
    {16, 1.5, 76}, {17.5, 0.5, 79}, {18, 1, 81},  {19, 1, 79},   // Am
    {20, 2, 77},   {22, 1, 76},    {23, 1, 74},                  // F
    {24, 1.5, 72}, {25.5, 0.5, 74}, {26, 1, 76},  {27, 1, 79},   // C
    {28, 3, 74},   {31, 0.5, 71},                                // G
};
// Bars in which the lead plays its tune (each stretch starts on a bar of the Am chord).
const int TUNE_STRETCHES[][2] = {{32, 44}, {72, 80}, {96, 104}, {136, 148}, {152, 158}};

constexpr uint8_t KICK_NOTE = 36, SNARE_NOTE = 38, CLOSED_HAT = 42, OPEN_HAT = 46;

struct Chord {
    uint8_t root;     // bass note
    uint8_t tones[3]; // the pad's voicing
};

// A minor: Am, F, C, G for the main sections; F, G, Em, Am for the calm ones.
const Chord MAIN[4] = {{33, {57, 60, 64}}, {29, {57, 60, 65}}, {36, {55, 60, 64}},
                       {31, {55, 59, 62}}};
const Chord CALM[4] = {{29, {57, 60, 65}}, {31, {55, 59, 62}}, {28, {55, 59, 64}},
                       {33, {57, 60, 64}}};

// Instrumentation of one bar.
struct Bar {
    bool calm = false;
    int beeper = 0; // 0 none, 1 quarters, 2 eighths, 3 sixteenth riff, 4 high riff
    bool pad = false;
    int kick = 0;   // 0 none, 1 four to the floor, 2 half time
    bool sub = false;
    bool snare = false;
    int hats = 0;   // 0 none, 1 offbeat eighths, 2 sixteenths
    bool roll = false;   // snare roll building up through the bar
    bool sirene = false; // a siren note starts on this bar
    uint8_t wobble = 20; // the siren's wobble controller value
};

class Composer {
public:
    Composer()
    {
        for (int p = 0; p < PART_COUNT; ++p) {
            SongTrack track;
            track.name = PART_NAMES[p];
            track.channel = static_cast<uint8_t>(p);
            song.tracks.push_back(track);
        }
    }

    void note(Part part, double beat, double length, int pitch, int velocity)
    {
        SongNote n;
        n.start = static_cast<int32_t>(std::lround(beat * TICKS_PER_BEAT));
        n.length = static_cast<int32_t>(std::lround(length * TICKS_PER_BEAT));
        n.pitch = static_cast<uint8_t>(pitch);
        n.velocity = static_cast<uint8_t>(velocity < 1 ? 1 : (velocity > 127 ? 127 : velocity));
        song.tracks[part].notes.push_back(n);
    }

    void controller(Part part, double beat, uint8_t number, uint8_t value)
    {
        song.tracks[part].controllers.push_back(
            {static_cast<int32_t>(std::lround(beat * TICKS_PER_BEAT)), number, value});
    }

    void bar(int index, const Bar& b)
    {
        const double t = index * 4.0;
        const int step = index % 4;
        const Chord chord = b.calm ? CALM[step] : MAIN[step];
        const uint8_t* tones = chord.tones;
        // Rave beeper, an octave above the pad.
        if (b.beeper == 1) {
            for (int i = 0; i < 4; ++i)
                note(BEEPER, t + i, 0.25, tones[i == 3 ? 1 : i] + 12, i == 0 ? 110 : 90);
        } else if (b.beeper == 2) {
            for (int i = 0; i < 8; ++i)
                note(BEEPER, t + i * 0.5, 0.25, tones[(i * 2) % 3] + 12, i % 2 ? 80 : 105);
        } else if (b.beeper >= 3) {
            // x.x.xx.x x.x.xx.x over the chord, climbing
            static const int hits[16] = {1, 0, 1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1};
            static const int climb[16] = {0, 0, 1, 0, 2, 1, 0, 2, 0, 0, 1, 0, 2, 3, 0, 2};
            int lift = b.beeper == 4 ? 24 : 12;
            for (int i = 0; i < 16; ++i) {
                if (!hits[i])
                    continue;
                int c = climb[i];
                int pitch = c < 3 ? tones[c] + lift : tones[0] + lift + 12;
                note(BEEPER, t + i * 0.25, 0.125, pitch, i % 4 == 0 ? 115 : 92);
            }
        }
        if (b.pad) {
            for (int k = 0; k < 3; ++k)
                note(PAD, t, 4.0, tones[k], 70 + 10 * k);
        }
        if (b.sub) {
            // Offbeat eighths with the root on the downbeat.
            note(SUB, t, 0.375, chord.root, 115);
            for (int i = 0; i < 4; ++i)
                note(SUB, t + i + 0.5, 0.375, chord.root + (i == 3 ? 12 : 0), 100);
        }
        if (b.kick == 1) {
            for (int i = 0; i < 4; ++i)
                note(KICK, t + i, 0.25, KICK_NOTE, 120);
        } else if (b.kick == 2) {
            note(KICK, t, 0.25, KICK_NOTE, 120);
            note(KICK, t + 2.5, 0.25, KICK_NOTE, 100);
        }
        if (b.snare && !b.roll) {
            note(SNARE, t + 1, 0.25, SNARE_NOTE, 105);
            note(SNARE, t + 3, 0.25, SNARE_NOTE, 110);
        }
        if (b.roll) {
            for (int i = 0; i < 16; ++i)
                note(SNARE, t + i * 0.25, 0.125, SNARE_NOTE, 50 + i * 4);
        }
        if (b.hats == 1) {
            for (int i = 0; i < 4; ++i)
                note(HATS, t + i + 0.5, 0.25, i == 3 ? OPEN_HAT : CLOSED_HAT, 85);
        } else if (b.hats == 2) {
            for (int i = 0; i < 16; ++i)
                note(HATS, t + i * 0.25, 0.125, i % 4 == 2 ? OPEN_HAT : CLOSED_HAT,
                     i % 2 ? 60 : 90);
        }
        if (b.sirene) {
            controller(SIRENE, t, WOBBLE_CONTROLLER, b.wobble);
            note(SIRENE, t, 3.75, chord.tones[2] + 12, 100);
        }
    }

    Song song;
};

Bar groove(int beeper, bool sirene_bar)
{
    Bar b;
    b.beeper = beeper;
    b.pad = true;
    b.kick = 1;
    b.sub = true;
    b.snare = true;
    b.hats = 1;
    b.sirene = sirene_bar;
    return b;
}

} // namespace

Song compose_show()
{
    Composer c;
    for (int bar = 0; bar < 158; ++bar) {
        Bar b;
        const int in8 = bar % 8;
        if (bar < 4) {                 // the beeper alone, one note a beat
            b.beeper = 1;
        } else if (bar < 12) {         // the pad joins
            b.beeper = bar < 8 ? 1 : 2;
            b.pad = true;
        } else if (bar < 20) {         // kick and sub
            b = Bar();
            b.beeper = 2;
            b.pad = true;
            b.kick = 1;
            b.sub = true;
        } else if (bar < 25) {         // hats and the siren under the flag
            b = groove(2, true);
            b.snare = false;
            b.wobble = static_cast<uint8_t>(20 + (bar - 20) * 16);
        } else if (bar < 28) {         // build-up to the first groove
            b.beeper = 3;
            b.pad = true;
            b.roll = true;
            b.kick = bar < 27 ? 1 : 0;
            b.sirene = true;
            b.wobble = static_cast<uint8_t>(90 + (bar - 25) * 15);
        } else if (bar < 46) {         // one inch further, robot cow: the groove
            b = groove(bar < 38 ? 3 : 4, in8 == 0);
            b.hats = bar < 38 ? 1 : 2;
        } else if (bar < 58) {         // picture puzzle: the beeper riff drives the glow
            b = groove(3, in8 == 4);
            b.hats = 2;
        } else if (bar < 64) {         // cow jokes: a breather
            b.calm = true;
            b.pad = true;
            b.beeper = 2;
            b.kick = bar < 62 ? 2 : 0;
            b.hats = bar < 62 ? 1 : 0;
            b.roll = bar == 63;
        } else if (bar < 70) {         // oscilloscope: the build-up
            b.beeper = 3;
            b.kick = 1;
            b.sub = bar >= 66;
            b.hats = 2;
            b.roll = bar >= 68;
            b.sirene = true;
            b.wobble = static_cast<uint8_t>(40 + (bar - 64) * 14);
        } else if (bar < 82) {         // stage lights: the drop
            b = groove(4, true);
            b.hats = 2;
            b.wobble = in8 < 4 ? 60 : 100;
        } else if (bar < 90) {         // sky box: floating
            b.calm = true;
            b.pad = true;
            b.sirene = in8 % 2 == 0;
            b.wobble = 30;
            b.beeper = bar >= 86 ? 2 : 0;
            b.roll = bar == 89;
        } else if (bar < 106) {        // music tunnel: every instrument at once
            b = groove(bar < 98 ? 3 : 4, true);
            b.hats = 2;
            b.wobble = static_cast<uint8_t>(bar < 98 ? 50 : 110);
        } else if (bar < 118) {        // spectrum boxes: heavy kick and sub
            b = groove(in8 < 4 ? 2 : 3, in8 == 0);
            b.hats = 1;
        } else if (bar < 134) {        // the announcer: calm pad and beeper
            b.calm = true;
            b.pad = true;
            b.beeper = bar < 126 ? 1 : 2;
            b.kick = bar < 126 ? 0 : 2;
            b.hats = bar < 126 ? 0 : 1;
            b.roll = bar == 133;
        } else if (bar < 150) {        // flying cows, credits: the groove again
            b = groove(bar < 142 ? 3 : 4, in8 == 0 || in8 == 4);
            b.hats = 2;
            b.wobble = 70;
        } else {                       // the temperature finale
            b = groove(4, true);
            b.hats = 2;
            b.wobble = static_cast<uint8_t>(60 + (bar - 150) * 8);
            b.roll = bar == 157;
            if (bar == 157)
                b.kick = 0;
        }
        c.bar(bar, b);
    }
    for (const auto& stretch : TUNE_STRETCHES) {
        for (int bar = stretch[0]; bar < stretch[1]; ++bar) {
            const int in_phrase = (bar - stretch[0]) % 8;
            for (const TuneNote& n : TUNE) {
                if (static_cast<int>(n.beat / 4.0) != in_phrase)
                    continue;
                const double at = bar * 4.0 + (n.beat - in_phrase * 4.0);
                c.note(LEAD, at, n.length, n.pitch, in_phrase % 2 ? 96 : 110);
            }
        }
    }
    // The final hit at beat 632, ringing out until the end.
    const double end = 632.0;
    c.note(KICK, end, 0.25, KICK_NOTE, 127);
    c.note(SUB, end, 2.0, MAIN[0].root, 120);
    for (int k = 0; k < 3; ++k)
        c.note(PAD, end, 3.0, MAIN[0].tones[k], 90);
    c.note(BEEPER, end, 0.25, MAIN[0].tones[0] + 24, 120);

    c.song.bpm = 145.0;
    c.song.end_tick = static_cast<int32_t>(COMPOSITION_BEATS * TICKS_PER_BEAT);
    return c.song;
}

} // namespace gen
