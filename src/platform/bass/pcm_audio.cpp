#include "platform/bass/pcm_audio.h"

#include <cstring>

#include "platform/bass/mp3_decoder.h"
#include "platform/bass/ogg_decoder.h"

std::shared_ptr<const PcmAudio> decode_audio(const void* data, std::size_t size)
{
    if (data == nullptr || size == 0)
        return nullptr;
    std::shared_ptr<PcmAudio> audio;
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0)
        audio = decode_ogg(data, size);
    else
        audio = decode_mp3(data, size);
    if (!audio || audio->channels == 0 || audio->rate == 0 || audio->frames() == 0)
        return nullptr;
    return audio;
}
