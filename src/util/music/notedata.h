// The notes of the music in memory: per instrument track the note-on and note-off times of
// every pitch in beats, the controller curves and the modulators attached to the track.
//
// A note's events are one float list per pitch: a note-on at beat t is stored as +t, a
// note-off as -t. An off at beat 0 is stored as -0.0, so every sign test on these lists uses
// std::signbit, never a comparison with 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Modulator;

struct ControllerEvents {
    std::vector<float> times;     // beats, in file order
    std::vector<uint8_t> values;  // 0..127, one per time
};

struct NoteTrack {
    uint8_t note = 0;
    std::string name;
    int current = -1;              // index of the latest event before "now"
    std::vector<float> times;      // +t note-on, -t note-off, beats
    std::vector<uint8_t> velocities; // note-on velocity, 0 for a note-off
};

struct InstrumentTrack {
    static const int CONTROLLER_COUNT = 128;

    InstrumentTrack();

    std::string name;
    int event_count = 0;
    std::vector<NoteTrack> note_tracks;
    std::vector<ControllerEvents> controllers; // CONTROLLER_COUNT lists, by controller number
    float volume = 0.78125f;
    float pan = 0.5f;
    std::vector<Modulator*> modulators; // owned by the NoteData that holds the track
};

class NoteData {
public:
    explicit NoteData(const std::string& path);
    // The readers are deleted through this base; it frees the tracks' modulators.
    virtual ~NoteData();
    NoteData(const NoteData&) = delete;
    NoteData& operator=(const NoteData&) = delete;

    std::vector<InstrumentTrack> tracks;
    float tempo = 120.0f;
    std::string copyright;
    std::string text;
    uint8_t time_sig_numerator = 4;
    uint8_t time_sig_denominator = 4;
    uint8_t clocks_per_click = 24;
    uint8_t thirty_seconds_per_quarter = 8;
    int8_t key_sharps = 0;
    bool key_minor = false;
};

// "C5" for note 60: the pitch class followed by note / 12.
std::string note_name(int note);
