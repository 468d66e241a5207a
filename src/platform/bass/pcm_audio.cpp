#include "platform/bass/pcm_audio.h"

#include <cstring>
#include <new>

#include "platform/bass/mp3_decoder.h"
#include "platform/bass/ogg_decoder.h"

std::shared_ptr<const PcmAudio> decode_audio(const void* data, std::size_t size)
{
    if (data == nullptr || size == 0)
        return nullptr;
    std::shared_ptr<PcmAudio> audio;
    // A file that decodes to more than memory holds fails like any other undecodable file.
    try {
        if (size >= 4 && std::memcmp(data, "OggS", 4) == 0)
            audio = decode_ogg(data, size);
        else
            audio = decode_mp3(data, size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!audio || audio->channels == 0 || audio->rate == 0 || audio->frames() == 0)
        return nullptr;
    return audio;
}
