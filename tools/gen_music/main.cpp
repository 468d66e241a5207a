// Renders the show's note data to music and encodes it as MP3:
//   gen_music TIMELINE NOTES.mid OUTPUT.mp3
// The music is exactly as long as the timeline says.
#include <cstdio>

#include "file_io.h"
#include "midi_file.h"
#include "mp3_encoder.h"
#include "synth.h"
#include "timeline.h"

namespace {
int fail(const std::string& error)
{
    std::fprintf(stderr, "gen_music: %s\n", error.c_str());
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: gen_music TIMELINE NOTES.mid OUTPUT.mp3\n");
        return 1;
    }
    std::string error, midi, mp3;
    gen::Timeline timeline;
    gen::Song song;
    if (!gen::load_timeline(argv[1], timeline, error))
        return fail(error);
    if (!gen::read_file(argv[2], midi, error))
        return fail(error);
    if (!gen::decode_midi(midi, song, error))
        return fail(std::string(argv[2]) + ": " + error);
    if (song.bpm != timeline.bpm)
        return fail("the note data's tempo differs from the timeline's");

    gen::Synth synth(gen::beats_to_samples(timeline.length_beats, timeline.bpm));
    synth.render(song);
    synth.normalize(0.89f);
    if (!gen::encode_mp3(synth.to_pcm16(), 160, mp3, error))
        return fail(error);
    if (!gen::write_file(argv[3], mp3, error))
        return fail(error);
    return 0;
}
