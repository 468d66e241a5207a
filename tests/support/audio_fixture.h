// Audio fixtures made by the tests themselves: a known signal, encoded to MP3 with libmp3lame
// (with the LAME info frame, so a gapless decoder gives back exactly the encoded samples) or
// to OGG Vorbis with libvorbisenc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved 16-bit samples.
struct TestSignal {
    std::vector<std::int16_t> samples;
    int channels = 2;
    int rate = 44100;

    std::size_t frames() const { return samples.size() / channels; }
};

// A sine per channel: frequencies[c] Hz at amplitudes[c] (1.0 = full scale), frames long.
TestSignal make_sine_signal(std::size_t frames, int rate, const std::vector<double>& frequencies,
                            const std::vector<double>& amplitudes);

std::string encode_mp3(const TestSignal& signal, int kbps = 192);
std::string encode_ogg(const TestSignal& signal, float quality = 0.6f);
