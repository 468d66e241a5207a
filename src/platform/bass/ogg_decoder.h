// OGG Vorbis decoding from memory through vorbisfile.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/bass/pcm_audio.h"

// Null when the bytes are no Vorbis stream, are damaged, or change rate or channels between
// chained sections.
std::shared_ptr<PcmAudio> decode_ogg(const void* data, std::size_t size);
