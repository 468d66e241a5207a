// Fuzz target for the Live set reader. The first byte chooses the form: odd, a gzip file read
// from disk (the reader inflates it); even, the plain XML a packed data file holds.
#include <cstdint>

#include "fuzz_support/fuzz_harness.h"
#include "util/music/als.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    std::string path = "music/fuzz.als";
    if (data[0] & 1) {
        path = fuzz_disk_file(path, data + 1, size - 1);
    } else {
        fuzz_serve(path, data + 1, size - 1);
    }
    fuzz_run([&] {
        AlsNoteData notes(path);
        volatile float sum = notes.tempo;
        for (const InstrumentTrack& track : notes.tracks) {
            for (const NoteTrack& note_track : track.note_tracks) {
                for (float time : note_track.times) sum = sum + time;
            }
        }
    });
    fuzz_remove_temp_files();
    return 0;
}
