// Standard MIDI file reader: note-on and note-off times per pitch in beats, controller
// changes, tempo, texts and the time and key signatures. Anything it does not understand ends
// the program with a fatal report, so a file that loads is known to be fully understood.
#pragma once

#include <cstdint>
#include <string>

#include "util/music/notedata.h"

// A read position inside the loaded file. Every read checks against end (the end of the
// current chunk, or of the file) before it touches a byte.
struct MidiCursor {
    const unsigned char* pos = nullptr;
    const unsigned char* end = nullptr;
};

// Variable-length quantity of 1 to 4 bytes, first byte most significant; advances the cursor.
uint32_t midi_read_varlen(MidiCursor& cursor);

// Big-endian unsigned integer of 1 to 4 bytes; advances the cursor.
uint32_t midi_read_be(MidiCursor& cursor, int bytes);

// The cursor is at a text meta event's type byte, followed by a one-byte length. A length of 0
// returns false with nothing read; otherwise the text is stored and the cursor moved past it.
bool midi_read_text(std::string& out, MidiCursor& cursor);

class MidiNoteData : public NoteData {
public:
    explicit MidiNoteData(const std::string& path);

private:
    void read_track(MidiCursor& chunk, uint32_t division);
    void read_meta(MidiCursor& chunk, InstrumentTrack& track);
    static void add_note_event(InstrumentTrack& track, int note, int velocity, float time);
};
