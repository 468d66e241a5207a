// Ableton Live set reader: a gzip-compressed XML document whose arrangement MIDI clips become
// the note data, with clip positions and loops unrolled into absolute beats. Only the tempo
// and the notes are taken; velocities, controllers and signatures stay empty.
//
// Loops multiply a few bytes of XML into many notes, so a set is refused once its unrolled
// notes pass MAX_NOTE_EVENTS: far more than a show plays, and few enough to load at once.
#pragma once

#include <string>

#include "util/music/notedata.h"

class TiXmlElement;

class AlsNoteData : public NoteData {
public:
    static constexpr int MAX_NOTE_EVENTS = 200000;

    explicit AlsNoteData(const std::string& path);

    void read_tempo(const TiXmlElement* mixer);
    void read_track(const TiXmlElement* midi_track);

private:
    void read_clip(const TiXmlElement* clip, InstrumentTrack& track);

    int note_events = 0; // over every track read so far
};
