#include "scenes/aviwriter.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/avifile/avifile.h"

struct AviWriter::State {
    std::recursive_mutex lock;
    PAVIFILE file = nullptr;
    PAVISTREAM video = nullptr;
    PAVISTREAM compressed = nullptr;
    PAVISTREAM audio = nullptr;
    WAVEFORMATEX audio_format{};
    char base_name[260] = {};
    char file_name[272] = {};
    int file_number = 1;
    int fourcc = 0;
    int quality = 0;
    std::uint64_t bytes_written = 0;
    std::uint64_t byte_limit = AviWriter::DEFAULT_FILE_BYTE_LIMIT;
    bool open = false;
    bool video_format_set = false;
    int error = 0;
};

AviWriter::AviWriter(std::uint64_t file_byte_limit) : state(new State())
{
    state->byte_limit = file_byte_limit;
}

AviWriter::~AviWriter()
{
    close();
}

const char* AviWriter::current_file_name() const
{
    return state->file_name;
}

int AviWriter::last_error() const
{
    return state->error;
}

bool AviWriter::open(const char* path, float fps_, int fourcc, int quality)
{
    std::lock_guard<std::recursive_mutex> guard(state->lock);
    close();
    state->error = 0;
    width = height = frame_index = audio_position = 0;
    fps = fps_;

    std::snprintf(state->base_name, sizeof state->base_name, "%s", path != nullptr ? path : "");
    char* last_separator = std::strrchr(state->base_name, '/');
    char* last_backslash = std::strrchr(state->base_name, '\\');
    if (last_backslash > last_separator) last_separator = last_backslash;
    char* extension = std::strrchr(last_separator ? last_separator : state->base_name, '.');
    if (extension != nullptr) *extension = '\0';

    state->file_number = 1;
    state->fourcc = fourcc;
    state->quality = quality;
    state->open = false;
    state->video_format_set = false;
    return create_file();
}

bool AviWriter::create_file()
{
    AVIFileInit();
    state->bytes_written = 0;
    std::snprintf(state->file_name, sizeof state->file_name, "%s.%02d.avi", state->base_name, state->file_number);

    errno = 0;
    if (AVIFileOpenA(&state->file, state->file_name, OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK) {
        state->error = errno;
        release_all();
        return false;
    }
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 10000;
    info.dwRate = static_cast<std::uint32_t>(std::lround(fps * 10000.0));
    info.dwSuggestedBufferSize = static_cast<std::uint32_t>(width * height * 3);
    info.rcFrame = {0, 0, width, height};
    std::snprintf(info.szName, sizeof info.szName, "Video");
    if (AVIFileCreateStreamA(state->file, &state->video, &info) != AVIERR_OK) {
        release_all();
        return false;
    }

    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = state->fourcc == 0 ? make_fourcc('D', 'I', 'B', ' ') : static_cast<FOURCC>(state->fourcc);
    options.dwQuality = static_cast<std::uint32_t>(state->quality);
    if (state->fourcc == -1) {
        AVICOMPRESSOPTIONS* chosen[1] = {&options};
        if (!AVISaveOptions(nullptr, 0, 1, &state->video, chosen)) {
            release_all();
            return false;
        }
        // Later files of the series use the same codec without asking again.
        state->fourcc = static_cast<int>(options.fccHandler);
        state->quality = static_cast<int>(options.dwQuality);
    }
    if (AVIMakeCompressedStream(&state->compressed, state->video, &options, nullptr) != AVIERR_OK) {
        release_all();
        return false;
    }
    state->open = true;
    return true;
}

bool AviWriter::set_video_format()
{
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(width * height * 3);
    if (AVIStreamSetFormat(state->compressed, 0, &header, sizeof header) != AVIERR_OK) {
        release_all();
        return false;
    }
    state->video_format_set = true;
    frame_index = 0;
    return true;
}

bool AviWriter::create_audio_stream()
{
    const WAVEFORMATEX& format = state->audio_format;
    AVISTREAMINFOA info{};
    info.fccType = streamtypeAUDIO;
    info.dwScale = 1;
    info.dwRate = format.nSamplesPerSec;
    info.dwSuggestedBufferSize = format.nAvgBytesPerSec;
    info.dwSampleSize = format.nBlockAlign;
    std::snprintf(info.szName, sizeof info.szName, "Audio");
    // The format goes into the file as its 18 little-endian bytes.
    unsigned char bytes[18];
    const std::uint32_t fields[] = {format.wFormatTag,     format.nChannels,      format.nSamplesPerSec,
                                    format.nAvgBytesPerSec, format.nBlockAlign,    format.wBitsPerSample,
                                    format.cbSize};
    const int sizes[] = {2, 2, 4, 4, 2, 2, 2};
    int at = 0;
    for (int i = 0; i < 7; ++i) {
        for (int b = 0; b < sizes[i]; ++b) bytes[at++] = static_cast<unsigned char>((fields[i] >> (8 * b)) & 0xFF);
    }
    if (AVIFileCreateStreamA(state->file, &state->audio, &info) != AVIERR_OK ||
        AVIStreamSetFormat(state->audio, 0, bytes, sizeof bytes) != AVIERR_OK) {
        release_all();
        return false;
    }
    audio_position = 0;
    block_align = format.nBlockAlign;
    return true;
}

void AviWriter::set_video_size(int width_, int height_)
{
    std::lock_guard<std::recursive_mutex> guard(state->lock);
    if (state->video_format_set) return;
    width = width_;
    height = height_;
}

void AviWriter::set_audio_format(const WAVEFORMATEX& format)
{
    std::lock_guard<std::recursive_mutex> guard(state->lock);
    WAVEFORMATEX copy;
    std::memset(&copy, 0, sizeof copy);
    copy.wFormatTag = format.wFormatTag;
    copy.nChannels = format.nChannels;
    copy.nSamplesPerSec = format.nSamplesPerSec;
    copy.nAvgBytesPerSec = format.nAvgBytesPerSec;
    copy.nBlockAlign = format.nBlockAlign;
    copy.wBitsPerSample = format.wBitsPerSample;
    state->audio_format = copy;
}

bool AviWriter::write_video_frame(const unsigned char* pixels)
{
    std::lock_guard<std::recursive_mutex> guard(state->lock);
    state->error = 0;
    if (frame_index == 0 && !state->video_format_set) {
        if (width == 0 || height == 0 || state->compressed == nullptr) return false;
        if (!set_video_format()) return false;
    }
    if (!state->video_format_set || state->compressed == nullptr) return false;
    if (state->bytes_written > state->byte_limit) {
        bool had_audio = state->audio != nullptr;
        release_all();
        ++state->file_number;
        state->video_format_set = false;
        if (!create_file() || !set_video_format()) return false;
        if (had_audio && !create_audio_stream()) return false;
    }
    LONG bytes = 0;
    LONG size = static_cast<LONG>(width * 3 * height);
    errno = 0;
    if (AVIStreamWrite(state->compressed, frame_index, 1, pixels, size, AVIIF_KEYFRAME, nullptr, &bytes) != AVIERR_OK) {
        state->error = errno;
        return false;
    }
    ++frame_index;
    state->bytes_written += static_cast<std::uint64_t>(bytes);
    return bytes != 0;
}

bool AviWriter::write_audio(const void* samples, int count)
{
    std::lock_guard<std::recursive_mutex> guard(state->lock);
    state->error = 0;
    if (state->file == nullptr) return false;
    if (state->audio == nullptr && !create_audio_stream()) return false;
    if (count <= 0) return false;
    LONG bytes = 0;
    errno = 0;
    if (AVIStreamWrite(state->audio, audio_position, count, samples, count * block_align, 0, nullptr, &bytes) != AVIERR_OK) {
        state->error = errno;
        return false;
    }
    audio_position += count;
    state->bytes_written += static_cast<std::uint64_t>(bytes);
    return bytes != 0;
}

void AviWriter::close()
{
    release_all();
}

void AviWriter::release_all() noexcept
{
    std::lock_guard<std::recursive_mutex> guard(state->lock);
    // Whatever exists is released, also after a create that failed half-way.
    bool any = state->open || state->file || state->video || state->compressed || state->audio;
    if (!any) return;
    // Each release is guarded on its own: a failure in one (an allocation failure while the
    // file is finished) still releases the rest, and nothing escapes to the caller.
    auto guarded = [](auto release) {
        try {
            release();
        } catch (...) {
        }
    };
    guarded([this] { AVIStreamRelease(state->audio); });
    state->audio = nullptr;
    guarded([this] { AVIStreamRelease(state->compressed); });
    state->compressed = nullptr;
    guarded([this] { AVIStreamRelease(state->video); });
    state->video = nullptr;
    guarded([this] { AVIFileRelease(state->file); });
    state->file = nullptr;
    AVIFileExit();
    state->open = false;
}
