// Fuzz target for the MIDI reader: the input is the file, served by the data layer.
#include <cstdint>

#include "fuzz_support/fuzz_harness.h"
#include "util/music/midi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_serve("music/fuzz.mid", data, size);
    fuzz_run([] {
        MidiNoteData notes("music/fuzz.mid");
        // Every list the reader built must be whole: touch all of it.
        volatile float sum = notes.tempo;
        for (const InstrumentTrack& track : notes.tracks) {
            for (const NoteTrack& note_track : track.note_tracks) {
                for (float time : note_track.times) sum = sum + time;
                for (std::uint8_t velocity : note_track.velocities) sum = sum + velocity;
            }
            for (const ControllerEvents& events : track.controllers) {
                for (std::size_t i = 0; i < events.times.size(); ++i)
                    sum = sum + events.times[i] + events.values.at(i);
            }
        }
    });
    fuzz_remove_temp_files();
    return 0;
}
