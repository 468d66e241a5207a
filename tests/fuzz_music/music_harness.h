// The one Music object the music fuzz targets share, over the silent audio layer, with the
// small note data and controller template that descriptions name.
#pragma once

class Music;

// Made on first use from "music/tune.mp3" in the scratch folder, which also holds the
// files descriptions name; lives for the whole run.
Music& fuzz_music();

// Frees what a description load put into the music (stream bytes, samples, note data), so
// that the next input starts from the same state.
void fuzz_music_release(Music& music);
