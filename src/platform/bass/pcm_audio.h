// A whole decoded sound: interleaved signed 16-bit samples with their rate and channel count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct PcmAudio {
    std::vector<std::int16_t> samples; // frames() * channels entries
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;

    std::uint64_t frames() const { return channels ? samples.size() / channels : 0; }
    std::uint32_t block_align() const { return channels * 2; }
};

// Decodes an OGG Vorbis file (recognised by its "OggS" capture pattern) or an MP3 file held in
// memory. Null when the bytes are neither, are damaged, or hold no sound at all.
std::shared_ptr<const PcmAudio> decode_audio(const void* data, std::size_t size);
