#include "platform/bass/spectrum.h"

#include <cmath>

Spectrum2048::Spectrum2048()
{
    input = static_cast<float*>(fftwf_malloc(sizeof(float) * SIZE));
    output = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * (SIZE / 2 + 1)));
    plan = fftwf_plan_dft_r2c_1d(SIZE, input, output, FFTW_ESTIMATE);
    const double pi = std::acos(-1.0);
    for (int n = 0; n < SIZE; ++n)
        window[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * n / SIZE));
}

Spectrum2048::~Spectrum2048()
{
    fftwf_destroy_plan(plan);
    fftwf_free(output);
    fftwf_free(input);
}

std::uint64_t Spectrum2048::compute(const PcmAudio& audio, std::uint64_t first_frame, float* out)
{
    std::uint64_t frames = audio.frames();
    std::uint64_t covered = 0;
    if (first_frame < frames)
        covered = frames - first_frame < SIZE ? frames - first_frame : SIZE;
    std::uint32_t channels = audio.channels;
    const std::int16_t* samples = covered ? audio.samples.data() + first_frame * channels : nullptr;
    for (std::uint64_t n = 0; n < SIZE; ++n) {
        float mono = 0.0f;
        if (n < covered) {
            const std::int16_t* frame = samples + n * channels;
            mono = channels > 1 ? (frame[0] + frame[1]) * (0.5f / 32768.0f) : frame[0] / 32768.0f;
        }
        input[n] = mono * window[n];
    }
    fftwf_execute(plan);
    const float scale = 4.0f / SIZE;
    for (int k = 0; k < BINS; ++k)
        out[k] = std::sqrt(output[k][0] * output[k][0] + output[k][1] * output[k][1]) * scale;
    return covered;
}
