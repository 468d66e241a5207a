#include "util/music/music.h"

#include "util/error/fatal.h"

// Stand-ins until the note data is read: every query answers as without note data.
// (Music::get_note_tracks is defined with the note data model.)

void Music::free_note_data() { note_data = nullptr; }

int Music::get_track_count()
{
    FATAL_ERROR("src\\util\\music\\music",
                "Attempted to get number of tracks without a valid MIDI file loaded!");
}

std::string Music::get_track_name(int)
{
    FATAL_ERROR("src\\util\\music\\music", "No valid MIDI file loaded!");
}

int Music::find_track(const char*)
{
    FATAL_ERROR("src\\util\\music\\music",
                "Attempted to get note lookup table without a valid MIDI file loaded!");
}

std::vector<bool> Music::get_note_states(int) { return {}; }

std::vector<float> Music::get_onoff_times(int) { return {}; }

std::vector<float> Music::get_onoff_times(const char*)
{
    FATAL_ERROR("src\\util\\music\\music",
                "Attempted to get note states without a valid MIDI file loaded!");
}

int Music::get_controller_value(int, int, float) { return -1; }

std::vector<float> Music::get_modulation(int, float) { return {}; }
