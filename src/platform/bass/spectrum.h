// The 2048-point spectrum of the audio layer, through FFTW in single precision.
//
// The input is the mono mix ((left + right) / 2, or the one channel of a mono sound) of 2048
// frames, silence past the end of the sound, weighted by a Hann window. Output bin k (0..1023)
// is |X[k]| * 4 / 2048: the window's coherent gain (its sum is 1024) and the half of a real
// sine's energy that falls into the negative frequencies are taken out, so a sine of amplitude
// A on a bin's frequency (k * rate / 2048) reads A.
#pragma once

#include <cstdint>

#include <fftw3.h>

#include "platform/bass/pcm_audio.h"

class Spectrum2048 {
public:
    static constexpr int SIZE = 2048;
    static constexpr int BINS = 1024;

    Spectrum2048();
    ~Spectrum2048();
    Spectrum2048(const Spectrum2048&) = delete;
    Spectrum2048& operator=(const Spectrum2048&) = delete;

    // Writes BINS magnitudes for the frames of audio from first_frame on; answers the number
    // of frames of the sound that the window covered.
    std::uint64_t compute(const PcmAudio& audio, std::uint64_t first_frame, float* out);

private:
    float* input;
    fftwf_complex* output;
    fftwf_plan plan;
    float window[SIZE];
};
