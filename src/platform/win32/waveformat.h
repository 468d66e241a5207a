// The format record of a PCM sound, as the audio and AVI services exchange it.
#pragma once

#include <cstdint>

struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
