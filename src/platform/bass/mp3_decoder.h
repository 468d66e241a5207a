// MP3 decoding from memory through libmpg123, gapless: the encoder's delay and padding (from
// the LAME info frame) are cut, so sample 0 of the result is sample 0 of the encoded sound.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/bass/pcm_audio.h"

// Null when the bytes hold no decodable MPEG audio, or the format changes inside the file.
std::shared_ptr<PcmAudio> decode_mp3(const void* data, std::size_t size);
