// Writes the show's note data as a standard MIDI file:
//   gen_midi TIMELINE OUTPUT.mid
// The timeline fixes the show's length; the piece must fill it exactly.
#include <cmath>
#include <cstdio>

#include "composition.h"
#include "file_io.h"
#include "midi_file.h"
#include "timeline.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_midi TIMELINE OUTPUT.mid\n");
        return 1;
    }
    gen::Timeline timeline;
    std::string error;
    if (!gen::load_timeline(argv[1], timeline, error)) {
        std::fprintf(stderr, "gen_midi: %s\n", error.c_str());
        return 1;
    }
    gen::Song song = gen::compose_show();
    if (timeline.bpm != song.bpm || timeline.length_beats != gen::COMPOSITION_BEATS) {
        std::fprintf(stderr, "gen_midi: the timeline (%g BPM, %g beats) does not fit the piece "
                             "(%g BPM, %g beats)\n",
                     timeline.bpm, timeline.length_beats, song.bpm, gen::COMPOSITION_BEATS);
        return 1;
    }
    if (!gen::write_file(argv[2], gen::encode_midi(song, "Tarnholm quorel system"), error)) {
        std::fprintf(stderr, "gen_midi: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
