// A small synthesizer that renders the show's note data to 44.1 kHz stereo.
//
// Every note starts sounding at the sample of its note-on (beat 0 is sample 0), so what the
// note data says and what the audio plays agree to the sample. Instruments are chosen by the
// track name; noise comes from a fixed-seed generator, so a render is the same every time.
#pragma once

#include <cstdint>
#include <vector>

#include "song.h"

namespace gen {

class Synth {
public:
    explicit Synth(int64_t frame_count);

    // Mixes every note of the song into the buffer (tracks with unknown names stay silent).
    void render(const Song& song);

    // Scales the mix so that its peak sits at the given level (0..1).
    void normalize(float peak_level);

    // Interleaved left, right frames, rounded and clamped to 16 bits.
    std::vector<int16_t> to_pcm16() const;

    const std::vector<float>& left() const { return mix_left; }
    const std::vector<float>& right() const { return mix_right; }

private:
    // Renders the notes of one track into the output samples from..to (exclusive).
    void render_track(const SongTrack& track, double bpm, int64_t from, int64_t to);
    // Adds the echo of what the echoed instruments sent.
    void apply_echo(double bpm);

    int64_t frames;
    std::vector<float> mix_left;
    std::vector<float> mix_right;
    std::vector<float> send_left;  // what the echoed instruments feed into the echo
    std::vector<float> send_right;
    std::vector<int64_t> kick_starts; // samples at which the kick drum hits
};

} // namespace gen
