// MP3 encoding of the rendered music through libmp3lame, with the encoder's delay and padding
// recorded in the stream's info tag, so a gapless decoder gives back exactly the input samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gen {

// Encodes interleaved 16-bit stereo at 44.1 kHz; false with a message on failure.
bool encode_mp3(const std::vector<int16_t>& interleaved, int bitrate_kbps, std::string& mp3,
                std::string& error);

} // namespace gen
