// The show's note data as the generators hold it: instrument tracks of notes and controller
// changes, timed in MIDI ticks, with the sample position of every tick at 44.1 kHz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gen {

constexpr int SAMPLE_RATE = 44100;
constexpr int TICKS_PER_BEAT = 96;

struct SongNote {
    int32_t start = 0;   // ticks
    int32_t length = 0;  // ticks, above 0
    uint8_t pitch = 60;
    uint8_t velocity = 100; // 1..127
};

struct SongController {
    int32_t tick = 0;
    uint8_t number = 0;
    uint8_t value = 0;
};

struct SongTrack {
    std::string name;
    uint8_t channel = 0;
    std::vector<SongNote> notes;
    std::vector<SongController> controllers;
};

struct Song {
    double bpm = 145.0;
    int32_t end_tick = 0; // every track ends here
    std::vector<SongTrack> tracks;

    const SongTrack* find(const std::string& name) const;
};

// The controller that sets the siren's wobble speed, and the wobble's period in beats for a
// value of it: the same bands as the controller template that the music description gives the
// siren's LFO, so the wobble heard and the modulation the pictures see agree.
constexpr uint8_t WOBBLE_CONTROLLER = 1;
double wobble_period_beats(int controller_value);

// Sample index at which a tick sounds: beat 0 is sample 0, rounded to the nearest sample.
int64_t tick_to_sample(int64_t tick, double bpm);

// Sample count of a stretch of beats, rounded to the nearest sample.
int64_t beats_to_samples(double beats, double bpm);

} // namespace gen
