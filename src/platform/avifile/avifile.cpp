#include "platform/avifile/avifile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/runtime/byte_order.h"
#include "platform/runtime/diagnostic_log.h"

namespace {

// The header list is written last into room kept free right after the RIFF header; what it
// does not use becomes a JUNK chunk, so the movi list starts at a fixed offset.
constexpr long HEADER_ROOM_END = 2048;
constexpr std::uint32_t AVIF_HASINDEX = 0x10;

struct IndexEntry {
    FOURCC id;
    std::uint32_t flags;
    std::uint32_t offset; // from the "movi" word
    std::uint32_t size;
};

} // namespace

struct AviStream {
    AviFile* file = nullptr;
    int number = 0;
    AVISTREAMINFOA info{};
    std::vector<unsigned char> format;
    std::uint32_t length = 0;       // frames or sample frames written
    std::uint32_t largest_chunk = 0;
    AviStream* source = nullptr;    // set on a compressed stream: where its frames go
    int references = 1;
};

struct AviFile {
    FILE* out = nullptr;
    std::vector<AviStream*> streams;
    std::vector<IndexEntry> index;
    std::uint64_t movi_word = 0; // file offset of the "movi" word
    std::uint64_t movi_end = 0;  // file offset after the last chunk written whole
    bool failed = false;
    int error = 0; // the system's error number of the write that failed
    int references = 1;
};

namespace {

void put_chunk(std::vector<unsigned char>& bytes, FOURCC id, const std::vector<unsigned char>& body)
{
    append_le32(bytes, id);
    append_le32(bytes, static_cast<std::uint32_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2) bytes.push_back(0);
}

void put_list(std::vector<unsigned char>& bytes, FOURCC type, const std::vector<unsigned char>& body)
{
    append_le32(bytes, make_fourcc('L', 'I', 'S', 'T'));
    append_le32(bytes, static_cast<std::uint32_t>(body.size() + 4));
    append_le32(bytes, type);
    bytes.insert(bytes.end(), body.begin(), body.end());
}

bool write_all(AviFile* file, const void* data, size_t size)
{
    if (file->failed) return false;
    if (size > 0 && std::fwrite(data, 1, size, file->out) != size) {
        file->failed = true;
        file->error = errno;
    }
    return !file->failed;
}

bool write_at(AviFile* file, long offset, const std::vector<unsigned char>& bytes)
{
    if (std::fseek(file->out, offset, SEEK_SET) != 0) {
        file->failed = true;
        file->error = errno;
        return false;
    }
    return write_all(file, bytes.data(), bytes.size());
}

bool is_video(const AviStream* stream) { return stream->info.fccType == streamtypeVIDEO; }

FOURCC chunk_id(const AviStream* stream)
{
    int number = stream->number % 100;
    char digits[2] = {static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10)};
    return is_video(stream) ? make_fourcc(digits[0], digits[1], 'd', 'b') : make_fourcc(digits[0], digits[1], 'w', 'b');
}

std::vector<unsigned char> stream_header(const AviStream* stream)
{
    const AVISTREAMINFOA& info = stream->info;
    std::vector<unsigned char> strh;
    append_le32(strh, info.fccType);
    append_le32(strh, is_video(stream) ? make_fourcc('D', 'I', 'B', ' ') : 0);
    append_le32(strh, info.dwFlags);
    append_le16(strh, info.wPriority);
    append_le16(strh, info.wLanguage);
    append_le32(strh, info.dwInitialFrames);
    append_le32(strh, info.dwScale);
    append_le32(strh, info.dwRate);
    append_le32(strh, info.dwStart);
    append_le32(strh, stream->length);
    append_le32(strh, stream->largest_chunk > info.dwSuggestedBufferSize ? stream->largest_chunk : info.dwSuggestedBufferSize);
    append_le32(strh, info.dwQuality);
    append_le32(strh, info.dwSampleSize);
    append_le16(strh, static_cast<std::uint32_t>(info.rcFrame.left) & 0xFFFF);
    append_le16(strh, static_cast<std::uint32_t>(info.rcFrame.top) & 0xFFFF);
    append_le16(strh, static_cast<std::uint32_t>(info.rcFrame.right) & 0xFFFF);
    append_le16(strh, static_cast<std::uint32_t>(info.rcFrame.bottom) & 0xFFFF);
    return strh;
}

// Cuts the file back to its last whole chunk. A write that failed part-way (a full disk) leaves
// a piece of a chunk behind the others; without it, everything written before reads again.
bool cut_to_whole_chunks(AviFile* file)
{
    std::clearerr(file->out);
    if (ftruncate(fileno(file->out), static_cast<off_t>(file->movi_end)) != 0) return false;
    file->failed = false;
    return true;
}

// Writes the index, the header list and the sizes; false when any of it failed. Also after a
// failed write: the file then ends with the chunks written whole, and when the index finds no
// room behind them (the disk is full) it is left out, as readers find the chunks without it.
bool finalise(AviFile* file)
{
    if (!cut_to_whole_chunks(file)) return false;
    const long movi_end = static_cast<long>(file->movi_end);

    std::vector<unsigned char> index;
    for (const IndexEntry& entry : file->index) {
        append_le32(index, entry.id);
        append_le32(index, entry.flags);
        append_le32(index, entry.offset);
        append_le32(index, entry.size);
    }
    std::vector<unsigned char> index_chunk;
    put_chunk(index_chunk, make_fourcc('i', 'd', 'x', '1'), index);
    bool indexed = write_at(file, movi_end, index_chunk);
    if (!indexed) {
        if (!cut_to_whole_chunks(file)) return false;
        report_diagnostic("The AVI file was finished without its index: " + std::string(std::strerror(file->error)));
    }
    const long file_end = movi_end + (indexed ? static_cast<long>(index_chunk.size()) : 0);

    const AviStream* video = nullptr;
    std::uint32_t largest = 0;
    for (const AviStream* stream : file->streams) {
        if (video == nullptr && is_video(stream)) video = stream;
        if (stream->largest_chunk > largest) largest = stream->largest_chunk;
    }
    std::uint32_t frames = video ? video->length : 0;
    double seconds_per_frame = video && video->info.dwRate ? static_cast<double>(video->info.dwScale) / video->info.dwRate : 0.0;
    std::int32_t width = 0, height = 0;
    if (video && video->format.size() >= 12) {
        std::memcpy(&width, video->format.data() + 4, 4);
        std::memcpy(&height, video->format.data() + 8, 4);
    }
    double duration = frames * seconds_per_frame;
    std::vector<unsigned char> avih;
    append_le32(avih, static_cast<std::uint32_t>(std::lround(seconds_per_frame * 1e6)));
    append_le32(avih, duration > 0 ? static_cast<std::uint32_t>(static_cast<double>(
                                         static_cast<std::uint64_t>(movi_end) - file->movi_word) / duration)
                                   : 0);
    append_le32(avih, 0);
    append_le32(avih, indexed ? AVIF_HASINDEX : 0);
    append_le32(avih, frames);
    append_le32(avih, 0);
    append_le32(avih, static_cast<std::uint32_t>(file->streams.size()));
    append_le32(avih, largest);
    append_le32(avih, static_cast<std::uint32_t>(width));
    append_le32(avih, static_cast<std::uint32_t>(height < 0 ? -height : height));
    for (int i = 0; i < 4; ++i) append_le32(avih, 0);

    std::vector<unsigned char> header_body;
    put_chunk(header_body, make_fourcc('a', 'v', 'i', 'h'), avih);
    for (const AviStream* stream : file->streams) {
        std::vector<unsigned char> strl;
        put_chunk(strl, make_fourcc('s', 't', 'r', 'h'), stream_header(stream));
        put_chunk(strl, make_fourcc('s', 't', 'r', 'f'), stream->format);
        put_list(header_body, make_fourcc('s', 't', 'r', 'l'), strl);
    }
    std::vector<unsigned char> header;
    put_list(header, make_fourcc('h', 'd', 'r', 'l'), header_body);
    const long junk_start = 12 + static_cast<long>(header.size());
    const long movi_list = HEADER_ROOM_END - 12;
    if (junk_start + 8 > movi_list) return false;
    append_le32(header, make_fourcc('J', 'U', 'N', 'K'));
    append_le32(header, static_cast<std::uint32_t>(movi_list - junk_start - 8));
    header.resize(static_cast<size_t>(movi_list - 12), 0);
    if (!write_at(file, 12, header)) return false;

    std::vector<unsigned char> sizes;
    append_le32(sizes, static_cast<std::uint32_t>(file_end - 8));
    if (!write_at(file, 4, sizes)) return false;
    sizes.clear();
    append_le32(sizes, static_cast<std::uint32_t>(movi_end - (movi_list + 8)));
    if (!write_at(file, movi_list + 4, sizes)) return false;
    return std::fflush(file->out) == 0;
}

HRESULT append_chunk(AviStream* stream, const unsigned char* data, size_t size, LONG* bytes_written)
{
    AviFile* file = stream->file;
    if (file == nullptr || file->out == nullptr || file->failed) return AVIERR_ERROR;
    const long position = static_cast<long>(file->movi_end);
    if (std::fseek(file->out, position, SEEK_SET) != 0) {
        file->failed = true;
        file->error = errno;
        return AVIERR_ERROR;
    }
    std::vector<unsigned char> head;
    append_le32(head, chunk_id(stream));
    append_le32(head, static_cast<std::uint32_t>(size));
    static const unsigned char pad = 0;
    if (!write_all(file, head.data(), head.size()) || !write_all(file, data, size) ||
        (size % 2 && !write_all(file, &pad, 1))) {
        return AVIERR_ERROR;
    }
    file->index.push_back({chunk_id(stream), AVIIF_KEYFRAME, static_cast<std::uint32_t>(position - static_cast<long>(file->movi_word)),
                           static_cast<std::uint32_t>(size)});
    file->movi_end += head.size() + size + size % 2;
    if (size > stream->largest_chunk) stream->largest_chunk = static_cast<std::uint32_t>(size);
    if (bytes_written) *bytes_written = static_cast<LONG>(size);
    return AVIERR_OK;
}

} // namespace

void AVIFileInit() {}
void AVIFileExit() {}

HRESULT AVIFileOpenA(PAVIFILE* result, const char* name, unsigned mode, const void*)
{
    if (result == nullptr) return AVIERR_ERROR;
    *result = nullptr;
    if (name == nullptr || !(mode & OF_CREATE) || !(mode & OF_WRITE)) return AVIERR_ERROR;
    FILE* out = std::fopen(name, "wb+");
    if (out == nullptr) return AVIERR_ERROR;
    // Each chunk goes to the file as it is written, with no bytes held back in a buffer: when a
    // write fails, every chunk before it is whole in the file and only the last one is cut.
    std::setvbuf(out, nullptr, _IONBF, 0);
    AviFile* file = new AviFile();
    file->out = out;
    // RIFF header, the room for the header list, and the start of the movi list.
    std::vector<unsigned char> start;
    append_le32(start, make_fourcc('R', 'I', 'F', 'F'));
    append_le32(start, 0);
    append_le32(start, make_fourcc('A', 'V', 'I', ' '));
    start.resize(HEADER_ROOM_END - 12, 0);
    append_le32(start, make_fourcc('L', 'I', 'S', 'T'));
    append_le32(start, 4);
    append_le32(start, make_fourcc('m', 'o', 'v', 'i'));
    file->movi_word = HEADER_ROOM_END - 4;
    file->movi_end = HEADER_ROOM_END;
    if (!write_all(file, start.data(), start.size())) {
        // A file that could not even take its start is no AVI file: it does not stay.
        std::fclose(out);
        std::remove(name);
        errno = file->error;
        delete file;
        return AVIERR_ERROR;
    }
    *result = file;
    return AVIERR_OK;
}

HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* result, const AVISTREAMINFOA* info)
{
    if (result == nullptr) return AVIERR_ERROR;
    *result = nullptr;
    if (file == nullptr || info == nullptr || file->streams.size() >= 99) return AVIERR_ERROR;
    AviStream* stream = new AviStream();
    stream->file = file;
    stream->number = static_cast<int>(file->streams.size());
    stream->info = *info;
    file->streams.push_back(stream);
    ++file->references;
    *result = stream;
    return AVIERR_OK;
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* result, PAVISTREAM source, const AVICOMPRESSOPTIONS* options, const void*)
{
    if (result == nullptr) return AVIERR_ERROR;
    *result = nullptr;
    if (source == nullptr || options == nullptr || !is_video(source)) return AVIERR_ERROR;
    if (options->fccHandler != make_fourcc('D', 'I', 'B', ' ') && options->fccHandler != 0) return AVIERR_ERROR;
    AviStream* compressed = new AviStream();
    compressed->source = source;
    ++source->references;
    *result = compressed;
    return AVIERR_OK;
}

int AVISaveOptions(HWND, unsigned, int stream_count, PAVISTREAM*, AVICOMPRESSOPTIONS** options)
{
    if (stream_count < 1 || options == nullptr || options[0] == nullptr) return 0;
    AVICOMPRESSOPTIONS& chosen = *options[0];
    chosen.fccType = streamtypeVIDEO;
    chosen.fccHandler = make_fourcc('D', 'I', 'B', ' ');
    chosen.dwQuality = 10000;
    chosen.dwFlags = AVICOMPRESSF_VALID;
    return 1;
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG, const void* format, LONG format_size)
{
    if (stream == nullptr || format == nullptr || format_size <= 0) return AVIERR_ERROR;
    AviStream* target = stream->source ? stream->source : stream;
    const unsigned char* bytes = static_cast<const unsigned char*>(format);
    if (is_video(target)) {
        BITMAPINFOHEADER header;
        if (format_size < static_cast<LONG>(sizeof header)) return AVIERR_ERROR;
        std::memcpy(&header, format, sizeof header);
        if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0) {
            return AVIERR_ERROR;
        }
        target->format.assign(bytes, bytes + format_size);
        // The stream header follows the format: the frame rectangle is the picture, and the
        // suggested buffer holds at least one frame as the caller sized it.
        std::uint32_t rows = static_cast<std::uint32_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
        target->info.rcFrame = {0, 0, header.biWidth, static_cast<LONG>(rows)};
        if (target->info.dwSuggestedBufferSize < header.biSizeImage) target->info.dwSuggestedBufferSize = header.biSizeImage;
        // The rows are stored padded to four bytes; the format says so.
        std::uint32_t stride = (static_cast<std::uint32_t>(header.biWidth) * 3 + 3) & ~3u;
        header.biSizeImage = stride * rows;
        std::memcpy(target->format.data(), &header, sizeof header);
        return AVIERR_OK;
    }
    target->format.assign(bytes, bytes + format_size);
    return AVIERR_OK;
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG, LONG samples, const void* buffer, LONG buffer_size, unsigned,
                       LONG* samples_written, LONG* bytes_written)
{
    if (samples_written) *samples_written = 0;
    if (bytes_written) *bytes_written = 0;
    if (stream == nullptr || buffer == nullptr || samples <= 0 || buffer_size <= 0) return AVIERR_ERROR;
    AviStream* target = stream->source ? stream->source : stream;
    if (target->format.empty()) return AVIERR_ERROR;
    const unsigned char* data = static_cast<const unsigned char*>(buffer);

    if (is_video(target)) {
        BITMAPINFOHEADER header;
        std::memcpy(&header, target->format.data(), sizeof header);
        size_t row = static_cast<size_t>(header.biWidth) * 3;
        size_t stride = (row + 3) & ~static_cast<size_t>(3);
        size_t rows = static_cast<size_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
        if (static_cast<size_t>(buffer_size) < row * rows * static_cast<size_t>(samples)) return AVIERR_ERROR;
        std::vector<unsigned char> frame(stride * rows, 0);
        for (LONG i = 0; i < samples; ++i) {
            for (size_t y = 0; y < rows; ++y)
                std::memcpy(&frame[y * stride], data + (static_cast<size_t>(i) * rows + y) * row, row);
            LONG written = 0;
            if (append_chunk(target, frame.data(), frame.size(), &written) != AVIERR_OK) return AVIERR_ERROR;
            ++target->length;
            if (samples_written) ++*samples_written;
            if (bytes_written) *bytes_written += written;
        }
        return AVIERR_OK;
    }

    size_t block = target->info.dwSampleSize ? target->info.dwSampleSize : 1;
    size_t size = block * static_cast<size_t>(samples);
    if (static_cast<size_t>(buffer_size) < size) return AVIERR_ERROR;
    if (append_chunk(target, data, size, bytes_written) != AVIERR_OK) return AVIERR_ERROR;
    target->length += static_cast<std::uint32_t>(samples);
    if (samples_written) *samples_written = samples;
    return AVIERR_OK;
}

unsigned long AVIStreamRelease(PAVISTREAM stream)
{
    if (stream == nullptr) return 0;
    if (--stream->references > 0) return static_cast<unsigned long>(stream->references);
    if (stream->source) {
        AVIStreamRelease(stream->source);
        delete stream;
        return 0;
    }
    // A file stream stays with its file until the file goes: its header is written then.
    AviFile* file = stream->file;
    stream->file = nullptr;
    if (file) AVIFileRelease(file);
    return 0;
}

unsigned long AVIFileRelease(PAVIFILE file)
{
    if (file == nullptr) return 0;
    if (--file->references > 0) return static_cast<unsigned long>(file->references);
    // The file is closed and freed even when finishing it fails part-way (an allocation
    // failure while the index is built); the file is then reported incomplete.
    bool complete = false;
    try {
        complete = finalise(file);
    } catch (...) {
        complete = false;
    }
    if (std::fclose(file->out) != 0) complete = false;
    if (!complete) report_diagnostic("Failed to complete the AVI file (the disk may be full)");
    for (AviStream* stream : file->streams) delete stream;
    delete file;
    return 0;
}
