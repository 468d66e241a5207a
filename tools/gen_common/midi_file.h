// Standard MIDI files (type 1) for the show's note data.
//
// The writer uses only what the player's reader understands: note-on and note-off, control
// changes, and the meta events track name, tempo, time signature and end of track, with
// every meta length below 128. No running status, no program changes, no SysEx.
#pragma once

#include <string>

#include "song.h"

namespace gen {

// Type-1 file: a first track with the song's name, tempo and time signature, then one track
// per instrument track, each beginning with its name.
std::string encode_midi(const Song& song, const std::string& song_name);

// Reads a file of the form the writer makes (any type-1 or type-0 file with the same event
// kinds): notes are paired per pitch (a second note-on while a note sounds is ignored, as is an
// off while none sounds). False with a message on anything else.
bool decode_midi(const std::string& bytes, Song& song, std::string& error);

} // namespace gen
