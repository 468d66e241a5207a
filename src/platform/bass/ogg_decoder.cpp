#include "platform/bass/ogg_decoder.h"

#include <cstdio>
#include <cstring>
#include <vorbis/vorbisfile.h>

#include "platform/bass/memory_reader.h"

namespace {

// Whole elements only, as stdio's fread.
size_t memory_read(void* buffer, size_t element_size, size_t count, void* source)
{
    MemoryReader* reader = static_cast<MemoryReader*>(source);
    if (element_size == 0)
        return 0;
    std::size_t whole = reader->left() / element_size;
    if (count > whole)
        count = whole;
    return reader->read(buffer, count * element_size) / element_size;
}

int memory_seek(void* source, ogg_int64_t offset, int whence)
{
    return static_cast<MemoryReader*>(source)->seek(offset, whence) < 0 ? -1 : 0;
}

long memory_tell(void* source)
{
    return static_cast<long>(static_cast<MemoryReader*>(source)->tell());
}

// Owns an opened vorbisfile decoder.
class VorbisFile {
public:
    explicit VorbisFile(MemoryReader* reader)
    {
        ov_callbacks callbacks{memory_read, memory_seek, nullptr, memory_tell};
        opened = ov_open_callbacks(reader, &file, nullptr, 0, callbacks) == 0;
    }
    ~VorbisFile()
    {
        if (opened)
            ov_clear(&file);
    }
    VorbisFile(const VorbisFile&) = delete;
    VorbisFile& operator=(const VorbisFile&) = delete;

    OggVorbis_File file;
    bool opened = false;
};

} // namespace

std::shared_ptr<PcmAudio> decode_ogg(const void* data, std::size_t size)
{
    MemoryReader reader(data, size);
    VorbisFile vorbis(&reader);
    if (!vorbis.opened)
        return nullptr;
    vorbis_info* info = ov_info(&vorbis.file, -1);
    if (info == nullptr || info->channels < 1 || info->rate <= 0)
        return nullptr;

    auto audio = std::make_shared<PcmAudio>();
    audio->rate = static_cast<std::uint32_t>(info->rate);
    audio->channels = static_cast<std::uint32_t>(info->channels);
    ogg_int64_t total = ov_pcm_total(&vorbis.file, -1);
    // The header's length is a hint only: a damaged or hostile one must not reserve the
    // whole memory.
    if (total > 0 && static_cast<std::uint64_t>(total) * audio->channels < (1u << 27))
        audio->samples.reserve(static_cast<std::size_t>(total) * audio->channels);

    std::int16_t chunk[8192];
    int current_section = -1;
    for (;;) {
        int section = 0;
        long bytes = ov_read(&vorbis.file, reinterpret_cast<char*>(chunk), sizeof chunk, 0, 2, 1,
                             &section);
        if (bytes == 0)
            break;
        if (bytes == OV_HOLE)
            continue; // a gap in the data: decoding goes on after it
        if (bytes < 0)
            return nullptr;
        if (section != current_section) {
            vorbis_info* section_info = ov_info(&vorbis.file, section);
            if (section_info == nullptr || section_info->channels != info->channels ||
                section_info->rate != info->rate)
                return nullptr;
            current_section = section;
        }
        audio->samples.insert(audio->samples.end(), chunk, chunk + bytes / 2);
    }
    audio->samples.resize(audio->samples.size() - audio->samples.size() % audio->channels);
    return audio;
}
