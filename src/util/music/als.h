// Ableton Live set reader: a gzip-compressed XML document whose arrangement MIDI clips become
// the note data, with clip positions and loops unrolled into absolute beats. Only the tempo
// and the notes are taken; velocities, controllers and signatures stay empty.
#pragma once

#include <string>

#include "util/music/notedata.h"

class TiXmlElement;

class AlsNoteData : public NoteData {
public:
    explicit AlsNoteData(const std::string& path);

    void read_tempo(const TiXmlElement* mixer);
    void read_track(const TiXmlElement* midi_track);

private:
    void read_clip(const TiXmlElement* clip, InstrumentTrack& track);
};
