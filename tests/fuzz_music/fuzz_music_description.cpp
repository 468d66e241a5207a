// Fuzz target for the music description and the controller template. The first byte chooses:
// odd, the input is a controller template read into an oscillator; even, the input is the
// description, which names the stream, the note data ("notes.mid", "notes.als") and the
// templates ("lfo.xml") the harness keeps beside it. The modulators built are then evaluated.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support/fuzz_harness.h"
#include "music_harness.h"
#include "util/music/modulators/lfo.h"
#include "util/music/music.h"

namespace {
const float BEATS[] = {-1.0f, 0.0f, 0.25f, 0.5f, 1.0f, 1.5f, 3.0f, 7.75f, 100.0f};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    Music& music = fuzz_music();
    if (data[0] & 1) {
        const std::string path = fuzz_disk_file("music/template.xml", data + 1, size - 1);
        LFO lfo(WAVE_SINE, 1, 1, 4, false);
        fuzz_run([&] {
            music.load_controller_template(path, &lfo);
            volatile float sum = 0.0f;
            for (int v = 0; v < 128; ++v) {
                lfo.set_controller_value(v);
                sum = sum + lfo.get_length() + lfo.get_value(145.0f, 1.0f, 0.5f, 0.0f);
            }
        });
    } else {
        const std::string path = fuzz_disk_file("music/fuzz.xml", data + 1, size - 1);
        fuzz_run([&] {
            music.load_description(path);
            volatile float sum = 0.0f;
            for (int track = 0; track < music.get_track_count(); ++track) {
                for (float beat : BEATS) {
                    for (float value : music.get_modulation(track, beat)) sum = sum + value;
                }
            }
        });
    }
    fuzz_music_release(music);
    return 0;
}
