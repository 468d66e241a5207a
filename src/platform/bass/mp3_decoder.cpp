#include "platform/bass/mp3_decoder.h"

#include <cstring>
#include <mpg123.h>
#include <mutex>
#include <sys/types.h>

#include "platform/bass/memory_reader.h"

namespace {

ssize_t memory_read(void* handle, void* buffer, size_t count)
{
    return static_cast<ssize_t>(static_cast<MemoryReader*>(handle)->read(buffer, count));
}

off_t memory_seek(void* handle, off_t offset, int whence)
{
    return static_cast<off_t>(static_cast<MemoryReader*>(handle)->seek(offset, whence));
}

// Owns one decoder handle.
class Mpg123Handle {
public:
    Mpg123Handle()
    {
        static std::once_flag library_ready;
        std::call_once(library_ready, [] { mpg123_init(); });
        handle = mpg123_new(nullptr, nullptr);
    }
    ~Mpg123Handle()
    {
        if (handle) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }
    Mpg123Handle(const Mpg123Handle&) = delete;
    Mpg123Handle& operator=(const Mpg123Handle&) = delete;

    mpg123_handle* handle = nullptr;
};

// Only 16-bit output at the file's own rate and channel count: no resampling, no mixing.
bool configure(mpg123_handle* handle)
{
    if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) != MPG123_OK)
        return false;
    if (mpg123_format_none(handle) != MPG123_OK)
        return false;
    const long* rates = nullptr;
    size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    for (size_t i = 0; i < rate_count; ++i) {
        if (mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
            MPG123_OK)
            return false;
    }
    return true;
}

} // namespace

std::shared_ptr<PcmAudio> decode_mp3(const void* data, std::size_t size)
{
    Mpg123Handle decoder;
    if (!decoder.handle || !configure(decoder.handle))
        return nullptr;
    MemoryReader reader(data, size);
    if (mpg123_replace_reader_handle(decoder.handle, memory_read, memory_seek, nullptr) != MPG123_OK)
        return nullptr;
    if (mpg123_open_handle(decoder.handle, &reader) != MPG123_OK)
        return nullptr;

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(decoder.handle, &rate, &channels, &encoding) != MPG123_OK)
        return nullptr;
    if (encoding != MPG123_ENC_SIGNED_16 || rate <= 0 || channels < 1 || channels > 2)
        return nullptr;

    auto audio = std::make_shared<PcmAudio>();
    audio->rate = static_cast<std::uint32_t>(rate);
    audio->channels = static_cast<std::uint32_t>(channels);
    off_t expected = mpg123_length(decoder.handle);
    // The header's length is a hint only: a damaged or hostile one must not reserve the
    // whole memory.
    if (expected > 0 && static_cast<std::uint64_t>(expected) * audio->channels < (1u << 27))
        audio->samples.reserve(static_cast<std::size_t>(expected) * audio->channels);

    std::int16_t chunk[8192];
    for (;;) {
        size_t done = 0;
        int result = mpg123_read(decoder.handle, chunk, sizeof chunk, &done);
        audio->samples.insert(audio->samples.end(), chunk, chunk + done / sizeof(std::int16_t));
        if (result == MPG123_DONE)
            break;
        if (result == MPG123_NEW_FORMAT) {
            long new_rate = 0;
            int new_channels = 0;
            mpg123_getformat(decoder.handle, &new_rate, &new_channels, &encoding);
            if (new_rate != rate || new_channels != channels)
                return nullptr;
            continue;
        }
        if (result != MPG123_OK)
            return nullptr;
    }
    // A partial frame at a damaged end is dropped, so the length stays whole frames.
    audio->samples.resize(audio->samples.size() - audio->samples.size() % audio->channels);
    return audio;
}
