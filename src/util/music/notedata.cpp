#include "util/music/notedata.h"

#include <cstdio>

#include "util/music/modulators/modulator.h"

InstrumentTrack::InstrumentTrack() : controllers(CONTROLLER_COUNT) {}

NoteData::NoteData(const std::string&) {}

NoteData::~NoteData()
{
    for (InstrumentTrack& track : tracks) {
        for (Modulator* modulator : track.modulators)
            delete modulator;
        track.modulators.clear();
    }
}

std::string note_name(int note)
{
    static const char* const formats[12] = {"C%i",  "C#%i", "D%i",  "D#%i", "E%i",  "F%i",
                                            "F#%i", "G%i",  "G#%i", "A%i",  "A#%i", "B%i"};
    int pitch = note % 12;
    if (pitch < 0)
        pitch += 12;
    char text[32];
    std::snprintf(text, sizeof(text), formats[pitch], note / 12);
    return text;
}
